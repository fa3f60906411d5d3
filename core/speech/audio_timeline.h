// The audio timeline of one read: which sentence and which word lie under a sample position.
//
// A read's audio arrives in chunks; the timeline remembers the sample at which each sentence's
// audio begins and keeps every reported word with stream times (seconds from the first sample of
// the read). Engines that report words without naming their sentence are aligned against the
// tokens the read is expected to speak, so that their words and sentence starts land in the right
// sentence.
//
// One timeline per read, used only from the owning player's serial queue: it has no lock. The
// static helpers are pure and safe from any thread.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/speech/word_timing.h"

namespace orvak {

class AudioTimeline {
 public:
  // A kept word and the sentence it belongs to; times are stream times.
  struct TimedWord {
    int s = 0;
    WordTiming w;
    bool operator==(const TimedWord&) const = default;
  };

  // What a listener means by "this" at a moment: the sentence, and how far (seconds) playback is
  // into the sentence that is actually playing.
  struct Referent {
    int sentence = 0;
    double intoSec = 0;
    bool operator==(const Referent&) const = default;
  };

  AudioTimeline(std::vector<std::string> sentences, double sampleRate);

  // Adds sentences after the last one, for a read whose text is split while it plays.
  void append(std::vector<std::string> sentences);

  // Lower case, then only letters, marks and numbers, in NFC: the form in which spoken and
  // written words are compared everywhere.
  static std::string norm(std::string_view word);
  // The non-empty normalised forms of the white-space separated pieces of a text.
  static std::vector<std::string> tokens(std::string_view text);

  // Changes the sample rate, but only before the first audio arrived.
  void setSampleRate(double sampleRate);
  // Replaces a sentence's expected tokens by those of the text actually sent to the engine
  // (after pronunciations), unless alignment has already moved past the sentence's first token.
  void setSpoken(int sentence, std::string_view text);

  // One chunk of `count` samples arrived, for `sentence` when the engine names it.
  void audio(std::int64_t count, std::optional<int> sentence);
  // Words reported by the engine: timed from the start of `sentence`'s audio when given, else
  // already in stream times and aligned against the expected tokens.
  void words(std::span<const WordTiming> reported, std::optional<int> sentence);

  // The largest sentence whose audio starts at or before the sample; 0 when none does.
  int sentence(std::int64_t sample) const;
  double seconds(std::int64_t samples) const;
  Referent referent(std::int64_t sample) const;
  // Where a skip of `by` sentences from the sample lands, within the read's sentences.
  int jumpTarget(std::int64_t sample, std::int64_t by) const;
  // The last kept word starting at or before `sec` (stream seconds).
  std::optional<std::string> word(double sec) const;

  const std::vector<std::string>& sentences() const { return sentences_; }
  double sampleRate() const { return sampleRate_; }
  std::int64_t received() const { return received_; }
  const std::map<int, std::int64_t>& sentenceStart() const { return sentenceStart_; }
  const std::vector<TimedWord>& words() const { return words_; }
  std::int64_t alignMismatches() const { return alignMismatches_; }

 private:
  struct Expected {
    int s = 0;
    std::string tok;
  };

  std::optional<std::int64_t> startOf(int sentence) const;
  void addAligned(const WordTiming& w);
  void inferStart(int sentence, double startSec);

  std::vector<std::string> sentences_;
  double sampleRate_;
  std::int64_t received_ = 0;
  std::map<int, std::int64_t> sentenceStart_;
  std::vector<TimedWord> words_;
  std::int64_t alignMismatches_ = 0;
  std::vector<Expected> expected_;
  std::size_t alignP_ = 0;
  std::string partial_;
};

}  // namespace orvak
