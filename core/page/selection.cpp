#include "core/page/selection.h"

#include <algorithm>
#include <span>
#include <vector>

#include "core/speech/audio_timeline.h"
#include "core/text/words.h"

namespace orvak::Selection {

namespace {

struct Word {
  std::string norm;
  text::GraphemeRange range;
};

// The words of a text with their grapheme ranges; punctuation-only runs are not words.
std::vector<Word> words(std::string_view s) {
  std::vector<Word> out;
  for (const auto& run : wordRuns(s)) {
    if (auto norm = AudioTimeline::norm(run.text); !norm.empty())
      out.push_back({std::move(norm), run.range});
  }
  return out;
}

// The first run of document words equal to the query words.
std::optional<text::GraphemeRange> locateWords(std::span<const Word> q, std::span<const Word> d) {
  if (q.empty() || d.size() < q.size()) return std::nullopt;
  const auto same = [](const Word& a, const Word& b) { return a.norm == b.norm; };
  const auto hit = std::search(d.begin(), d.end(), q.begin(), q.end(), same);
  if (hit == d.end()) return std::nullopt;
  return text::GraphemeRange{hit->range.start,
                             (hit + static_cast<std::ptrdiff_t>(q.size() - 1))->range.end};
}

}  // namespace

std::optional<std::string> meaningful(const std::optional<std::string>& selection) {
  if (!selection) return std::nullopt;
  const std::string_view trimmed = text::trim(*selection, text::TrimSet::whitespacesAndNewlines);
  if (splitAtWhitespace(trimmed).size() < 2) return std::nullopt;
  return std::string(trimmed);
}

std::optional<text::GraphemeRange> locate(std::string_view selection, std::string_view s) {
  const auto q = words(selection);
  if (q.empty()) return std::nullopt;
  return locateWords(q, words(s));
}

std::optional<int32_t> find(std::string_view selection, std::string_view s) {
  // The document's words are worked out once for all the pieces tried.
  const auto d = words(s);
  const auto q = words(selection);
  const auto startOf = [&](std::span<const Word> piece) -> std::optional<int32_t> {
    if (const auto r = locateWords(piece, d)) return r->start;
    return std::nullopt;
  };
  if (auto at = startOf(q)) return at;
  // Pieces are counted in white-space separated words, punctuation-only ones included.
  const auto w = splitAtWhitespace(selection);
  const auto piece = [&](std::size_t from, std::size_t count) {
    std::vector<Word> out;
    for (std::size_t i = from; i < from + count; ++i) {
      if (auto norm = AudioTimeline::norm(w[i]); !norm.empty())
        out.push_back({std::move(norm), {}});
    }
    return out;
  };
  const std::size_t n = w.size();
  if (n > 8) {
    if (auto at = startOf(piece(0, 8))) return at;
  }
  if (n >= 6) {
    if (auto at = startOf(piece(0, 5))) return at;
  }
  // Only the tail survived: answer where the tail is, not where the selection would begin.
  if (n >= 7) return startOf(piece(n - 6, 6));
  return std::nullopt;
}

}  // namespace orvak::Selection
