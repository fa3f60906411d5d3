#include "core/base/scrub.h"

#include "core/text/regex.h"

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
  static const auto email = text::Regex::cached(R"([A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,})");
  return email.replaceAll(out, "<email>");
}

}  // namespace orvak::Scrub
