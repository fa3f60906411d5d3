// Text the workbench prints about saved items and pages: one terminal line each.
#pragma once

#include <string>
#include <string_view>

#include "core/text/text.h"

namespace orvak::dev {

// Line breaks and tabs shown as spaces, and a text longer than `maxChars` graphemes cut with an
// ellipsis, so one item never spills over several lines of a listing.
inline std::string oneLine(std::string_view s, int maxChars) {
  std::string out(text::graphemePrefix(s, maxChars));
  for (char& c : out) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  if (text::graphemeCount(s) > maxChars) out += "\u2026";
  return out;
}

}  // namespace orvak::dev
