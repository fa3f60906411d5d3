#include "core/page/page_section.h"

#include <array>
#include <vector>

#include "core/text/text.h"

namespace orvak::PageSection {
namespace {

struct Paragraph {
  std::string_view text;
  int start = 0;   // in characters
  int length = 0;  // in characters
};

std::vector<Paragraph> paragraphs(std::string_view text) {
  std::vector<Paragraph> out;
  int start = 0;
  std::size_t from = 0;
  while (true) {
    const auto nl = text.find('\n', from);
    const std::string_view p = text.substr(from, nl == std::string_view::npos ? std::string_view::npos : nl - from);
    const int length = text::graphemeCount(p);
    out.push_back({p, start, length});
    if (nl == std::string_view::npos) break;
    start += length + 1;
    from = nl + 1;
  }
  return out;
}

}  // namespace

bool isHeading(std::string_view paragraph) {
  const std::string_view t = text::trim(paragraph, text::TrimSet::whitespaces);
  if (t.empty()) return false;
  const std::vector<std::string_view> chars = text::graphemes(t);
  if (chars.size() > 90) return false;

  int words = 0;
  bool inWord = false;
  for (const char c : t) {
    if (c == ' ') {
      inWord = false;
    } else if (!inWord) {
      inWord = true;
      ++words;
    }
  }
  if (words > 12) return false;

  bool hasLetter = false;
  for (const auto g : chars) hasLetter = hasLetter || text::isLetter(g);
  if (!hasLetter) return false;

  static constexpr std::array<std::string_view, 10> closing{".", "!", "?", ",", ";", ":", "\"", "\u201D", "\u2019", ")"};
  for (const auto mark : closing) {
    if (chars.back() == mark) return false;
  }
  return true;
}

std::string around(std::string_view text, int offset, int maxChars) {
  const std::vector<Paragraph> ps = paragraphs(text);
  std::size_t i = 0;
  for (std::size_t p = 0; p < ps.size(); ++p) {
    if (ps[p].start <= offset) i = p;
  }

  std::size_t first = i;
  long used = ps[i].length;
  while (first > 0 && !isHeading(ps[first].text) && used < maxChars) {
    --first;
    used += ps[first].length;
  }

  std::size_t last = i;
  const long budget = maxChars / 2;
  long sum = 0;
  while (last + 1 < ps.size() && !isHeading(ps[last + 1].text) && sum < budget) {
    ++last;
    sum += ps[last].length;
  }

  std::string out;
  for (std::size_t p = first; p <= last; ++p) {
    const std::string_view t = text::trim(ps[p].text, text::TrimSet::whitespaces);
    if (t.empty()) continue;
    if (!out.empty()) out += '\n';
    out += t;
  }
  return out;
}

}  // namespace orvak::PageSection
