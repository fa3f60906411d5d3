#include "core/speech/word_timing_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

#include "core/speech/audio_timeline.h"

namespace orvak {

WordTimingReport WordTimingReport::check(const AudioTimeline& timeline, double toleranceSec) {
  WordTimingReport r;
  const auto& starts = timeline.sentenceStart();
  const auto& sentences = timeline.sentences();
  const auto sentenceCount = static_cast<std::int64_t>(sentences.size());

  for (const auto& [s, start] : starts) {
    if (s < 0 || s >= sentenceCount) continue;
    ++r.sentencesWithAudio;
    r.expectedTokens += static_cast<std::int64_t>(AudioTimeline::tokens(sentences[s]).size());
  }

  const auto& words = timeline.words();
  r.words = static_cast<std::int64_t>(words.size());
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (words[i].w.start < words[i - 1].w.start - 1e-6) {
      r.monotonic = false;
      break;
    }
  }

  std::map<int, std::vector<const WordTiming*>> bySentence;
  for (const auto& tw : words) bySentence[tw.s].push_back(&tw.w);
  r.sentencesWithWords = static_cast<std::int64_t>(bySentence.size());

  const double audioEnd = timeline.seconds(timeline.received());
  for (const auto& [s, group] : bySentence) {
    const auto own = starts.find(s);
    if (own == starts.end()) continue;
    // The last representable index has no next sentence (s + 1 would overflow).
    const auto next = s < std::numeric_limits<int>::max() ? starts.find(s + 1) : starts.end();
    const double from = timeline.seconds(own->second);
    const double to = next != starts.end() ? timeline.seconds(next->second) : audioEnd;
    double lastEnd = -INFINITY;
    for (const WordTiming* w : group) {
      if (w->start < from - toleranceSec || w->end > to + toleranceSec) ++r.outsideSentence;
      if (w->end > audioEnd + toleranceSec) ++r.beyondAudio;
      lastEnd = std::max(lastEnd, w->end);
    }
    if (next != starts.end()) {
      const double pause = (to - lastEnd) * 1000;
      if (std::isfinite(pause)) r.trailingPauseMs.push_back(pause);
    }
  }
  return r;
}

double WordTimingReport::coverage() const {
  if (expectedTokens == 0) return 0;
  return static_cast<double>(words) / static_cast<double>(expectedTokens);
}

std::string WordTimingReport::description() const {
  const double pct = coverage() * 100;
  const long long percent = pct > 0 && pct < 9e18 ? static_cast<long long>(pct) : 0;

  // A not-a-number value would break the ordering the sort relies on.
  std::vector<double> pauses;
  std::copy_if(trailingPauseMs.begin(), trailingPauseMs.end(), std::back_inserter(pauses),
               [](double v) { return std::isfinite(v); });
  std::string median = "\u2013";
  if (!pauses.empty()) {
    std::sort(pauses.begin(), pauses.end());
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", pauses[pauses.size() / 2]);
    median = buf;
  }

  return std::to_string(words) + " words / " + std::to_string(expectedTokens) + " tokens (" +
         std::to_string(percent) + "%), monotonic=" + (monotonic ? "true" : "false") +
         ", sentences with words " + std::to_string(sentencesWithWords) + "/" +
         std::to_string(sentencesWithAudio) + ", outside sentence " +
         std::to_string(outsideSentence) + ", beyond audio " + std::to_string(beyondAudio) +
         ", trailing pause median " + median + " ms";
}

}  // namespace orvak
