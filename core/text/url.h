// The few parts of a web address that page naming and quote links need, read the way a URL
// parser reads an absolute address ("scheme:" then an optional "//authority"). Nothing is
// decoded: the host comes back as written (percent-encoded form).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvak::url {

struct Url {
  std::string scheme;  // as written, without ":"
  std::string host;    // empty when the address has no authority or an empty one
  std::string path;    // from the end of the authority up to "?" or "#"; may be empty
};

// Nothing when `text` is not an absolute address: no scheme, or white space, control
// characters or a malformed port in it.
std::optional<Url> parse(std::string_view text);

}  // namespace orvak::url
