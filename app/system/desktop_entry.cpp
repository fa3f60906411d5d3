#include "app/system/desktop_entry.h"

namespace orvak::desktopEntry {

std::string execArgument(const std::string& raw) {
  std::string path;
  for (char c : raw) {
    path += c;
    if (c == '%') path += '%';
  }
  if (path.find_first_of(" \t\n\"'\\><~|&;$*?#()`=%") == std::string::npos) return path;
  std::string out = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  // The value is itself a string of the format, whose own escape character is the backslash.
  std::string escaped;
  for (char c : out) {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

}  // namespace orvak::desktopEntry
