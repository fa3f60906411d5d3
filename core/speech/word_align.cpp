#include "core/speech/word_align.h"

#include <algorithm>

#include "core/speech/audio_timeline.h"
#include "core/text/words.h"

namespace orvak::WordAlign {

namespace {

bool opensWord(std::string_view g) {
  return text::isLetter(g) || text::isNumber(g) || g == "$" || g == "€" || g == "£" || g == "#" ||
         g == "@";
}

bool closesWord(std::string_view g) { return text::isLetter(g) || text::isNumber(g) || g == "%"; }

}  // namespace

std::vector<text::GraphemeRange> tokens(std::string_view s) {
  std::vector<text::GraphemeRange> out;
  for (const auto& run : wordRuns(s)) {
    const auto gs = text::graphemes(run.text);
    auto a = gs.begin();
    auto b = gs.end();
    while (a < b && !opensWord(*a)) ++a;
    while (b > a && !closesWord(*(b - 1))) --b;
    if (a < b) {
      out.push_back({run.range.start + static_cast<int32_t>(a - gs.begin()),
                     run.range.start + static_cast<int32_t>(b - gs.begin())});
    }
  }
  return out;
}

std::vector<std::optional<int>> map(std::span<const std::string> screen,
                                    std::span<const std::string> spoken, int lookahead) {
  if (screen.empty()) return std::vector<std::optional<int>>(spoken.size());
  std::vector<std::string> s;
  s.reserve(screen.size());
  for (const auto& w : screen) s.push_back(AudioTimeline::norm(w));
  const int count = static_cast<int>(s.size());
  lookahead = std::clamp(lookahead, 1, count);  // beyond the list it changes nothing

  std::vector<std::optional<int>> out;
  out.reserve(spoken.size());
  int i = 0;
  int unmatched = 0;  // spoken words given to screen word i without matching it
  const auto moveTo = [&](int next) {
    i = next;
    unmatched = 0;
  };
  for (const auto& word : spoken) {
    const std::string w = AudioTimeline::norm(word);
    if (i >= count) {
      out.push_back(count - 1);
      continue;
    }
    if (w.empty()) {
      out.push_back(i);
      ++unmatched;
      continue;
    }
    if (s[i] == w) {
      out.push_back(i);
      moveTo(i + 1);
      continue;
    }
    // Jumping ahead over unspoken screen words, but never for short words ("a", "of"), which
    // match too easily by chance.
    if (text::graphemeCount(w) > 2) {
      const auto stop = s.begin() + std::min(count, i + lookahead);
      const auto hit = std::find(s.begin() + i + 1, stop, w);
      if (hit != stop) {
        const int l = static_cast<int>(hit - s.begin());
        out.push_back(l);
        moveTo(l + 1);
        continue;
      }
    }
    // The words before were pieces of word i (a number read out); this one starts the next.
    if (unmatched > 0 && i + 1 < count && s[i + 1] == w) {
      out.push_back(i + 1);
      moveTo(i + 2);
      continue;
    }
    out.push_back(i);
    ++unmatched;
  }
  return out;
}

}  // namespace orvak::WordAlign
