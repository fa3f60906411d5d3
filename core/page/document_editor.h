// The online document editor whose pages need special handling: the capture prepares their text
// and quote links leave them alone.
#pragma once

#include <string_view>

namespace orvak::documentEditor {

inline constexpr std::string_view kHost = "docs.google.com";
// What a document page's address reads like; `isDocumentAddress` is the test to use.
inline constexpr std::string_view kDocumentPath = "docs.google.com/document/";

// Whether the address is one of the editor's document pages: its host is the editor's (in any
// letter case) and its path begins with "/document/". The text merely appearing somewhere in the
// address (a query, a fragment, another site's path) does not count.
bool isDocumentAddress(std::string_view address);

}  // namespace orvak::documentEditor
