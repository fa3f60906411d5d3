#include "core/scrub.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <memory>

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

const icu::RegexPattern& emailPattern() {
  static const std::unique_ptr<icu::RegexPattern> pattern = [] {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> p(icu::RegexPattern::compile(
        icu::UnicodeString::fromUTF8(R"([A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,})"), 0, parseError, status));
    return p;
  }();
  return *pattern;
}

}  // namespace

std::string report(std::string_view text, std::string_view home) {
  std::string out(text);
  const std::string name = lastComponent(home);
  if (!name.empty() && name != "/") {
    replaceAll(out, home, "~");
    replaceAll(out, "/Users/" + name, "/Users/~");
    replaceAll(out, "/home/" + name, "/home/~");
    replaceAll(out, "\"" + name + "\"", "\"~\"");
  }
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString subject = icu::UnicodeString::fromUTF8(out);
  std::unique_ptr<icu::RegexMatcher> matcher(emailPattern().matcher(subject, status));
  if (U_FAILURE(status) || !matcher) return out;
  const icu::UnicodeString replaced = matcher->replaceAll(icu::UnicodeString::fromUTF8("<email>"), status);
  if (U_FAILURE(status)) return out;
  std::string result;
  replaced.toUTF8String(result);
  return result;
}

}  // namespace orvak::Scrub
