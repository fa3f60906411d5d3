// How well a read's word timings cover and fit its audio, measured after the read and printed as
// one line for logs and diagnostics.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvak {

class AudioTimeline;

struct WordTimingReport {
  std::int64_t words = 0;           // timed words kept by the timeline
  std::int64_t expectedTokens = 0;  // tokens of the sentences that received audio
  bool monotonic = true;            // word starts never run backwards (beyond 1e-6 s)
  std::int64_t sentencesWithAudio = 0;
  std::int64_t sentencesWithWords = 0;
  std::int64_t outsideSentence = 0;  // words reaching outside their sentence's stretch of audio
  std::int64_t beyondAudio = 0;      // words ending after the received audio
  // Per sentence with words whose next sentence has audio: the pause (ms) from its last word's
  // end to the next sentence's start. Only finite values.
  std::vector<double> trailingPauseMs;

  static WordTimingReport check(const AudioTimeline& timeline, double toleranceSec);

  // words / expectedTokens; 0 without expected tokens.
  double coverage() const;
  // "12 words / 14 tokens (85%), monotonic=true, sentences with words 2/2, outside sentence 0,
  // beyond audio 0, trailing pause median 120 ms"
  std::string description() const;

  bool operator==(const WordTimingReport&) const = default;
};

}  // namespace orvak
