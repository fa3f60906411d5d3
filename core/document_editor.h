// The online document editor whose pages need special handling: the capture prepares their text
// and quote links leave them alone.
#pragma once

#include <string_view>

namespace orvak::documentEditor {

inline constexpr std::string_view kHost = "docs.google.com";
// A page address containing this is one of the editor's documents.
inline constexpr std::string_view kDocumentPath = "docs.google.com/document/";

}  // namespace orvak::documentEditor
