#include "core/base/scrub.h"

#include <string>

namespace orvak::Scrub {

namespace {

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (std::size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
    out.append(text, pos, hit - pos);
    out.append(to);
  }
  out.append(text, pos, std::string::npos);
  text = std::move(out);
}

std::string lastComponent(std::string_view home) {
  while (home.size() > 1 && home.back() == '/') home.remove_suffix(1);
  if (home == "/") return "/";
  const auto slash = home.rfind('/');
  return std::string(slash == std::string_view::npos ? home : home.substr(slash + 1));
}

bool isLocal(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
         c == '%' || c == '+' || c == '-';
}
bool isDomain(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::string replaceEmails(std::string_view text) {
  // What the pattern [A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,} matches, leftmost and longest,
  // found in one pass: a regex engine tries every start in a long run of name characters that
  // has no "@" after it, which is quadratic in the run.
  std::string out;
  out.reserve(text.size());
  std::size_t copied = 0;  // text before this is in `out`
  std::size_t from = 0;    // where the next "@" is looked for
  for (std::size_t at; (at = text.find('@', from)) != std::string_view::npos;) {
    from = at + 1;
    std::size_t start = at;
    while (start > copied && isLocal(text[start - 1])) --start;
    if (start == at) continue;
    const std::size_t domain = at + 1;
    std::size_t domainEnd = domain;
    while (domainEnd < text.size() && isDomain(text[domainEnd])) ++domainEnd;
    // The longest domain that still leaves a dot and two letters after it.
    std::size_t dot = std::string_view::npos;
    for (std::size_t k = domainEnd; k-- > domain + 1;) {
      if (text[k] == '.' && k + 2 < domainEnd && isLetter(text[k + 1]) && isLetter(text[k + 2])) {
        dot = k;
        break;
      }
    }
    if (dot == std::string_view::npos) continue;
    std::size_t end = dot + 1;
    while (end < domainEnd && isLetter(text[end])) ++end;
    out.append(text.substr(copied, start - copied));
    out += "<email>";
    copied = end;
    from = end;
  }
  out.append(text.substr(copied));
  return out;
}

std::string report(std::string_view text, std::string_view home) {
  std::string out(text);
  const std::string name = lastComponent(home);
  if (!name.empty() && name != "/") {
    replaceAll(out, home, "~");
    replaceAll(out, "/Users/" + name, "/Users/~");
    replaceAll(out, "/home/" + name, "/home/~");
    replaceAll(out, "\"" + name + "\"", "\"~\"");
  }
  return replaceEmails(out);
}

}  // namespace orvak::Scrub
