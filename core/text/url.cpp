#include "core/text/url.h"

#include <algorithm>

namespace orvak::url {
namespace {

bool isAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<Url> parse(std::string_view text) {
  // Bytes below 0x21 (controls, space) and DEL never appear in an address.
  if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; })) {
    return std::nullopt;
  }
  const auto colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || !isAsciiAlpha(text[0])) return std::nullopt;
  const std::string_view scheme = text.substr(0, colon);
  const bool schemeOk = std::all_of(scheme.begin(), scheme.end(), [](char c) {
    return isAsciiAlpha(c) || isAsciiDigit(c) || c == '+' || c == '-' || c == '.';
  });
  if (!schemeOk) return std::nullopt;

  Url out{std::string(scheme), {}, {}};
  std::string_view rest = text.substr(colon + 1);
  const auto pathOf = [](std::string_view s) { return std::string(s.substr(0, std::min(s.find_first_of("?#"), s.size()))); };
  if (!rest.starts_with("//")) {
    out.path = pathOf(rest);
    return out;
  }
  rest.remove_prefix(2);
  std::string_view authority = rest.substr(0, std::min(rest.find_first_of("/?#"), rest.size()));
  out.path = pathOf(rest.substr(authority.size()));
  if (const auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);

  std::string_view host = authority;
  std::string_view port;
  if (authority.starts_with('[')) {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = authority.substr(1, close - 1);
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty() && !after.starts_with(':')) return std::nullopt;
    if (!after.empty()) port = after.substr(1);
  } else if (const auto c = authority.rfind(':'); c != std::string_view::npos) {
    host = authority.substr(0, c);
    port = authority.substr(c + 1);
  }
  if (!std::all_of(port.begin(), port.end(), isAsciiDigit)) return std::nullopt;
  out.host = std::string(host);
  return out;
}

}  // namespace orvak::url
