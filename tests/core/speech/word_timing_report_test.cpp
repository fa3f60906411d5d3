#include "core/speech/word_timing_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/speech/audio_timeline.h"

using orvak::AudioTimeline;
using orvak::WordTiming;
using orvak::WordTimingReport;

namespace {

// Three sentences at 1000 Hz starting at 0, 1.0 and 2.2 s, 3.0 s of audio in all. The last word
// ends 0.05 s after the audio does.
AudioTimeline fixture() {
  AudioTimeline t({"The cat sat.", "It ran home!", "Done."}, 1000);
  t.audio(1000, 0);
  t.audio(1200, 1);
  t.audio(800, 2);
  t.words(std::vector<WordTiming>{{"The", 0, .2}, {"cat", .25, .5}, {"sat", .55, .88}}, 0);
  t.words(std::vector<WordTiming>{{"It", 0, .1}, {"ran", .15, .3}, {"home", .35, 1.12}}, 1);
  t.words(std::vector<WordTiming>{{"Done", .1, .85}}, 2);
  return t;
}

}  // namespace

TEST(WordTimingReportTest, DescribesAReadInOneLine) {
  const auto r = WordTimingReport::check(fixture(), 0.02);
  EXPECT_EQ(r.description(),
            "7 words / 7 tokens (100%), monotonic=true, sentences with words 3/3, "
            "outside sentence 1, beyond audio 1, trailing pause median 120 ms");
  ASSERT_EQ(r.trailingPauseMs.size(), 2u);
  EXPECT_NEAR(r.trailingPauseMs[0], 120, 1e-9);
  EXPECT_NEAR(r.trailingPauseMs[1], 80, 1e-9);
  EXPECT_DOUBLE_EQ(r.coverage(), 1.0);

  // A wider tolerance forgives the last word's overhang.
  const auto loose = WordTimingReport::check(fixture(), 0.1);
  EXPECT_EQ(loose.outsideSentence, 0);
  EXPECT_EQ(loose.beyondAudio, 0);
}

TEST(WordTimingReportTest, AnEmptyReadReportsZerosAndNoMedian) {
  const auto r = WordTimingReport::check(AudioTimeline({"One two."}, 24000), 0.02);
  EXPECT_EQ(r, WordTimingReport{});
  EXPECT_EQ(r.coverage(), 0);
  EXPECT_EQ(r.description(),
            "0 words / 0 tokens (0%), monotonic=true, sentences with words 0/0, "
            "outside sentence 0, beyond audio 0, trailing pause median \u2013 ms");
}

TEST(WordTimingReportTest, CountsOnlySentencesOfTheReadAndChecksOnlyWordsWithAStart) {
  AudioTimeline t({"One two three.", "Four."}, 1000);
  t.audio(1000, 0);
  t.audio(500, 9);  // not a sentence of this read
  // Sentence 1 never got audio: its words count, but nothing can be said about where they lie.
  t.words(std::vector<WordTiming>{{"four", 5, 6}}, 1);
  t.words(std::vector<WordTiming>{{"one", .1, .2}, {"two", .05, .3}}, 0);
  const auto r = WordTimingReport::check(t, 0.02);
  EXPECT_EQ(r.sentencesWithAudio, 1);
  EXPECT_EQ(r.expectedTokens, 3);
  EXPECT_EQ(r.words, 3);
  EXPECT_EQ(r.sentencesWithWords, 2);
  EXPECT_EQ(r.outsideSentence, 0);
  EXPECT_EQ(r.beyondAudio, 0);
  EXPECT_FALSE(r.monotonic);  // "one" started at 0.1 s after "four" at 6.5 s
  EXPECT_TRUE(r.trailingPauseMs.empty());
  EXPECT_EQ(r.description(),
            "3 words / 3 tokens (100%), monotonic=false, sentences with words 2/1, "
            "outside sentence 0, beyond audio 0, trailing pause median \u2013 ms");
}

TEST(WordTimingReportTest, PercentTruncatesAndMedianTakesTheUpperMiddleOfFiniteValues) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    std::vector<double> pauses;
    const char* median;
  };
  for (const Case& c : std::vector<Case>{{{120, 80, 400}, "120"},
                                         {{80, 120}, "120"},
                                         {{nan, 80, inf, 120, -inf}, "120"},
                                         {{nan}, "\u2013"},
                                         {{2.5}, "2"},  // "%.0f" rounds half to even
                                         {{3.5}, "4"},
                                         {{-0.4}, "-0"}}) {
    WordTimingReport r;
    r.words = 2;
    r.expectedTokens = 3;
    r.trailingPauseMs = c.pauses;
    const std::string d = r.description();
    EXPECT_EQ(d.substr(0, 23), "2 words / 3 tokens (66%");
    EXPECT_EQ(d.substr(d.rfind("median ")), std::string("median ") + c.median + " ms");
  }
}

// A sentence index comes from whoever reported the audio; the largest and smallest ints must not
// overflow the look for the next sentence.
TEST(WordTimingReportTest, ExtremeSentenceIndexesAreCountedWithoutOverflow) {
  for (int index : {std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
    AudioTimeline t({"The cat sat."}, 1000);
    t.audio(500, index);
    t.words(std::vector<WordTiming>{{"The", 0, .2}}, index);
    const auto r = WordTimingReport::check(t, 0.02);
    EXPECT_EQ(r.sentencesWithWords, 1) << index;
    EXPECT_EQ(r.sentencesWithAudio, 0) << index;  // no such sentence in the read
    EXPECT_TRUE(r.trailingPauseMs.empty()) << index;
  }
}
