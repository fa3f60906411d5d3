#include "core/selection.h"

#include <algorithm>
#include <vector>

#include "core/audio_timeline.h"
#include "core/words.h"

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

std::string joined(std::span<const std::string_view> pieces) {
  std::string out;
  for (const auto p : pieces) {
    if (!out.empty()) out += ' ';
    out += p;
  }
  return out;
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
  const auto d = words(s);
  if (d.size() < q.size()) return std::nullopt;
  const auto same = [](const Word& a, const Word& b) { return a.norm == b.norm; };
  const auto hit = std::search(d.begin(), d.end(), q.begin(), q.end(), same);
  if (hit == d.end()) return std::nullopt;
  return text::GraphemeRange{hit->range.start,
                             (hit + static_cast<std::ptrdiff_t>(q.size() - 1))->range.end};
}

std::optional<int32_t> find(std::string_view selection, std::string_view s) {
  if (const auto r = locate(selection, s)) return r->start;
  const auto w = splitAtWhitespace(selection);
  const std::span<const std::string_view> all(w);
  const auto tryPiece = [&](std::span<const std::string_view> piece) -> std::optional<int32_t> {
    if (const auto r = locate(joined(piece), s)) return r->start;
    return std::nullopt;
  };
  const std::size_t n = w.size();
  if (n > 8) {
    if (auto at = tryPiece(all.first(8))) return at;
  }
  if (n >= 6) {
    if (auto at = tryPiece(all.first(5))) return at;
  }
  // Only the tail survived: answer where the tail is, not where the selection would begin.
  if (n >= 7) return tryPiece(all.last(6));
  return std::nullopt;
}

}  // namespace orvak::Selection
