// Word timing and alignment on what an engine might report: audio chunks and words for any
// sentence (or none), at any finite times, queried at any sample; then the read's word timing
// report and the alignment of spoken words to the words on screen.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/speech/audio_timeline.h"
#include "core/speech/word_align.h"
#include "core/speech/word_timing_report.h"
#include "core/text/text.h"

namespace {

using namespace orvak;

std::string someText(FuzzedDataProvider& in, std::size_t max) {
  return text::repairUtf8(in.ConsumeRandomLengthString(max));
}

std::optional<int> someSentence(FuzzedDataProvider& in, int count) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return std::nullopt;
    case 1:
      return in.ConsumeIntegral<int>();
    default:
      return in.ConsumeIntegralInRange(0, count);
  }
}

double someTime(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? in.ConsumeFloatingPointInRange(-5.0, 60.0) : in.ConsumeFloatingPoint<double>();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<std::string> sentences;
  for (int i = in.ConsumeIntegralInRange(0, 6); i > 0; --i) sentences.push_back(someText(in, 120));
  const int count = static_cast<int>(sentences.size());
  AudioTimeline timeline(sentences, in.ConsumeBool() ? 24000.0 : in.ConsumeFloatingPointInRange(1.0, 192000.0));

  for (int step = 0; step < 40 && in.remaining_bytes() > 0; ++step) {
    switch (in.ConsumeIntegralInRange(0, 4)) {
      case 0:
        timeline.audio(in.ConsumeIntegralInRange<std::int64_t>(0, 1 << 20), someSentence(in, count));
        break;
      case 1: {
        std::vector<WordTiming> words;
        for (int i = in.ConsumeIntegralInRange(0, 8); i > 0; --i) {
          words.push_back({someText(in, 16), someTime(in), someTime(in)});
        }
        timeline.words(words, someSentence(in, count));
        break;
      }
      case 2:
        timeline.setSpoken(in.ConsumeIntegralInRange(-1, count), someText(in, 120));
        break;
      case 3: {
        const auto sample = in.ConsumeIntegralInRange<std::int64_t>(-1, timeline.received() + 48000);
        (void)timeline.sentence(sample);
        (void)timeline.referent(sample);
        const int target = timeline.jumpTarget(sample, in.ConsumeIntegral<std::int64_t>());
        if (count > 0 && (target < 0 || target >= count)) __builtin_trap();
        break;
      }
      default:
        (void)timeline.word(someTime(in));
        break;
    }
  }
  const auto report = WordTimingReport::check(timeline, in.ConsumeFloatingPointInRange(0.0, 1.0));
  (void)report.description();

  std::vector<std::string> screen, spoken;
  for (int i = in.ConsumeIntegralInRange(0, 30); i > 0; --i) screen.push_back(someText(in, 12));
  for (int i = in.ConsumeIntegralInRange(0, 30); i > 0; --i) spoken.push_back(someText(in, 12));
  const auto mapped = WordAlign::map(screen, spoken, in.ConsumeIntegralInRange(1, 50));
  if (mapped.size() != spoken.size()) __builtin_trap();
  std::optional<int> previous;
  for (const auto& m : mapped) {
    if (screen.empty()) {
      if (m) __builtin_trap();
      continue;
    }
    if (!m || *m < 0 || *m >= static_cast<int>(screen.size()) || (previous && *m < *previous)) __builtin_trap();
    previous = m;
  }
  (void)WordAlign::tokens(someText(in, 200));
  return 0;
}
