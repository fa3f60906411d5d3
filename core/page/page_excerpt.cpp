#include "core/page/page_excerpt.h"

#include <algorithm>

#include "core/text/text.h"

namespace orvak {

void appendWordCharacter(std::string& word, std::string_view grapheme) {
  // ASCII bytes never occur inside a longer UTF-8 sequence, so they can be dropped byte by byte.
  for (const char c : grapheme) {
    if (c != '"' && c != '%' && c != '_') word += c;
  }
}

std::vector<std::string> normalisePageTerms(const std::vector<std::string>& terms) {
  std::vector<std::string> out;
  for (const auto& term : terms) {
    const std::string lower = text::lowercase(term);
    std::string kept;
    std::int32_t chars = 0;
    for (const auto g : text::graphemes(lower)) {
      if (text::isLetter(g) || text::isNumber(g)) {
        appendWordCharacter(kept, g);
        ++chars;
      }
    }
    if (chars >= 3) out.push_back(std::move(kept));
  }
  return out;
}

std::string pageExcerpt(std::string_view text, const std::vector<std::string>& terms, std::int32_t length) {
  const std::int32_t n = std::max<std::int32_t>(length, 0);
  const text::GraphemeMap map(text);
  const std::int32_t count = map.count();
  const std::int32_t third = n / 3;

  std::int32_t start = 0;
  if (!terms.empty()) {
    const std::string lower = text::lowercase(text);
    for (const auto& term : terms) {
      if (term.empty()) continue;
      const auto at = lower.find(term);
      if (at == std::string::npos) continue;
      // Characters before the match, counted in the lower-cased text as the rule says.
      const std::int32_t p = text::graphemeCount(std::string_view(lower).substr(0, at));
      start = std::max(0, p - third);
      if (start > count) start = 0;
      // Move forward to just after a sentence end, looking back no further than a third of the
      // excerpt: an unbounded look-back could land so far before the match that the excerpt
      // ends before reaching it.
      for (std::int32_t i = start - 1; i >= 0 && i >= start - third; --i) {
        const auto b = static_cast<std::size_t>(map.utf8Offset(i));
        const auto e = static_cast<std::size_t>(map.utf8Offset(i + 1));
        const std::string_view g = text.substr(b, e - b);
        if (g == "." || g == "!" || g == "?" || g == "\n") {
          start = i + 1;
          break;
        }
      }
      break;
    }
  }
  const std::int32_t end = std::min(count, start + n);
  const auto from = static_cast<std::size_t>(map.utf8Offset(start));
  const auto to = static_cast<std::size_t>(map.utf8Offset(end));
  std::string excerpt(text::trim(text.substr(from, to - from)));
  if (end < count) excerpt += "\u2026";
  return excerpt;
}

}  // namespace orvak
