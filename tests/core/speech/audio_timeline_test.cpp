#include "core/speech/audio_timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

using orvak::AudioTimeline;
using orvak::WordTiming;

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

std::vector<std::string> numbered(int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back("Sentence number " + std::to_string(i) + ".");
  return out;
}

std::vector<int> sentencesOf(const AudioTimeline& t) {
  std::vector<int> out;
  for (const auto& tw : t.words()) out.push_back(tw.s);
  return out;
}

}  // namespace

TEST(AudioTimelineTest, NormKeepsLettersMarksAndNumbersInLowerCase) {
  struct Case {
    const char* in;
    const char* out;
  };
  for (const Case& c : std::vector<Case>{{"Don't", "dont"},
                                         {"“Hello,”", "hello"},
                                         {"ÉCOLE", "école"},
                                         {"E\u0301T\u00C9", "\u00E9t\u00E9"},  // canonical: composed
                                         {"Q\u0301!", "q\u0301"},         // marks are kept
                                         {"3.14%", "314"},
                                         {"Straße", "straße"},
                                         {"東京!", "東京"},
                                         {"—", ""},
                                         {"🙂", ""}}) {
    EXPECT_EQ(AudioTimeline::norm(c.in), c.out) << c.in;
  }
  EXPECT_EQ(AudioTimeline::tokens("  The  well-known\u00A0cat\n— sat. "),
            (std::vector<std::string>{"the", "wellknown", "cat", "sat"}));
  EXPECT_TRUE(AudioTimeline::tokens(" \t\n ").empty());
}

TEST(AudioTimelineTest, SampleMapsToTheLatestStartedSentenceAcrossBoundariesAndGaps) {
  AudioTimeline t(numbered(6), 1000);
  t.audio(1000, 0);             // sentence 0: 0 ..
  t.audio(1000, 1);             // sentence 1: 1000 ..
  t.audio(500, 1);              // a second chunk keeps the first start
  t.audio(1500, 2);             // sentence 2: 2500 ..
  t.audio(1000, std::nullopt);  // audio of no named sentence: 4000 ..
  t.audio(500, 4);              // sentence 3 never got audio; sentence 4: 5000 ..
  EXPECT_EQ(t.received(), 5500);
  EXPECT_EQ(t.sentenceStart(), (std::map<int, std::int64_t>{{0, 0}, {1, 1000}, {2, 2500}, {4, 5000}}));

  struct Case {
    std::int64_t sample;
    int sentence;
  };
  for (const Case& c : std::vector<Case>{{kMin, 0},
                                         {-1, 0},
                                         {0, 0},
                                         {999, 0},
                                         {1000, 1},
                                         {2499, 1},
                                         {2500, 2},
                                         {4999, 2},
                                         {5000, 4},
                                         {kMax, 4}}) {
    EXPECT_EQ(t.sentence(c.sample), c.sentence) << c.sample;
  }

  AudioTimeline empty(numbered(3), 24000);
  EXPECT_EQ(empty.sentence(123456), 0);
}

TEST(AudioTimelineTest, SampleRateChangesOnlyBeforeTheFirstAudio) {
  AudioTimeline t({}, 24000);
  t.setSampleRate(48000);
  EXPECT_EQ(t.sampleRate(), 48000);
  EXPECT_EQ(t.seconds(24000), 0.5);
  t.audio(10, std::nullopt);
  t.setSampleRate(16000);
  EXPECT_EQ(t.sampleRate(), 48000);

  // Without a usable rate there is no time rather than infinities.
  AudioTimeline broken({"a b"}, 0);
  EXPECT_EQ(broken.seconds(1000), 0);
  broken.words(std::vector<WordTiming>{{"a", 0.1, 0.2}}, 0);
  EXPECT_EQ(broken.words().at(0).w, (WordTiming{"a", 0.1, 0.2}));
}

TEST(AudioTimelineTest, ReferentAndJumpTargetFollowTheSentencePlaying) {
  constexpr double kRate = 24000;
  AudioTimeline t(numbered(6), kRate);
  for (int s = 0; s < 6; ++s) t.audio(static_cast<std::int64_t>(5 * kRate), s);  // 5 s each
  const auto at = [&](int sentence, double into) {
    return static_cast<std::int64_t>(sentence * 5 * kRate + into * kRate);
  };

  struct Ref {
    int sentence;
    double into;
    int expected;
  };
  for (const Ref& c : std::vector<Ref>{{3, 0.5, 2}, {0, 0.5, 0}, {3, 0.6, 3}, {3, 0.0, 2}}) {
    const auto r = t.referent(at(c.sentence, c.into));
    EXPECT_EQ(r.sentence, c.expected) << c.sentence << " +" << c.into;
    EXPECT_DOUBLE_EQ(r.intoSec, c.into);
  }

  struct Jump {
    int sentence;
    double into;
    std::int64_t by;
    int expected;
  };
  for (const Jump& c : std::vector<Jump>{{4, 1.2, -1, 4},
                                         {4, 0.8, -1, 3},
                                         {4, 2.0, -3, 4},
                                         {4, 0.5, -3, 1},
                                         {4, 0.5, -10, 0},
                                         {4, 2.0, 1, 5},
                                         {5, 0.1, 1, 5},
                                         {4, 0.5, kMin, 0},
                                         {4, 2.0, kMin, 4},
                                         {1, 0.0, kMax, 5}}) {
    EXPECT_EQ(t.jumpTarget(at(c.sentence, c.into), c.by), c.expected)
        << c.sentence << " +" << c.into << " by " << c.by;
  }
  // Extreme samples neither overflow nor wrap.
  EXPECT_EQ(t.referent(kMin).sentence, 0);
  EXPECT_EQ(t.jumpTarget(kMax, -1), 5);

  AudioTimeline noStarts(numbered(5), kRate);
  EXPECT_EQ(noStarts.jumpTarget(1000, 3), 3);
  EXPECT_EQ(noStarts.jumpTarget(1000, 9), 4);
  EXPECT_EQ(noStarts.jumpTarget(1000, -2), 0);
  EXPECT_EQ(AudioTimeline({}, kRate).jumpTarget(0, 1), 0);
}

TEST(AudioTimelineTest, WordsOfANamedSentenceAreShiftedToStreamTime) {
  AudioTimeline t({"One two.", "Three four."}, 1000);
  t.audio(1500, 0);
  t.audio(500, 1);  // sentence 1 starts at 1.5 s
  t.words(std::vector<WordTiming>{{"Three", 0.1, 0.3}, {",", 0.3, 0.3}}, 1);
  // A sentence whose audio has not arrived yet is timed from the end of what has.
  t.words(std::vector<WordTiming>{{"later", 0.0, 0.2}}, 7);
  EXPECT_EQ(t.words(), (std::vector<AudioTimeline::TimedWord>{
                           {1, {"Three", 1.6, 1.8}}, {1, {",", 1.8, 1.8}}, {7, {"later", 2.0, 2.2}}}));
  EXPECT_FALSE(t.sentenceStart().contains(7));

  EXPECT_EQ(t.word(1.7), "Three");
  EXPECT_EQ(t.word(1.8), ",");
  EXPECT_EQ(t.word(99), "later");
  EXPECT_EQ(t.word(1.59), std::nullopt);
}

TEST(AudioTimelineTest, StreamWordsAreAlignedToTheExpectedTokens) {
  struct Case {
    const char* name;
    std::vector<std::string> sentences;
    std::vector<WordTiming> spoken;
    std::vector<int> sentenceOfWord;
    std::int64_t mismatches;
    std::map<int, std::int64_t> starts;
  };
  const std::vector<Case> cases{
      {"exact, with a split hyphenated token and dropped punctuation",
       {"The well-known cat sat.", "It ran home!"},
       {{"The", 0, .1}, {"well", .1, .2}, {"known", .2, .3}, {"cat", .3, .4}, {",", .4, .4},
        {"sat", .4, .5}, {"It", 1, 1.1}, {"ran", 1.1, 1.2}, {"home", 1.2, 1.3}},
       {0, 0, 0, 0, 0, 1, 1, 1},
       0,
       {{0, 0}, {1, 1000}}},
      {"a number spoken as a word is one mismatch and stays with its token's sentence",
       {"Wait.", "It ran 3 miles."},
       {{"wait", 0, .2}, {"it", .5, .6}, {"ran", .6, .7}, {"three", .7, .8}, {"miles", .8, .9}},
       {0, 1, 1, 1, 1},
       1,
       {{0, 0}, {1, 500}}},
      {"skipped tokens count as mismatches and a look-ahead hit moves to the next sentence",
       {"One two three.", "Four five."},
       {{"one", 0, .1}, {"three", .2, .3}, {"five", .9, 1}},
       {0, 0, 1},
       2,  // "two" skipped, then "four" skipped
       {{0, 0}, {1, 900}}},
      {"words after the last expected token stay with the last sentence",
       {"Hi there.", "Bye."},
       {{"hi", 0, .1}, {"there", .1, .2}, {"bye", .5, .6}, {"again", .7, .8}},
       {0, 0, 1, 1},
       0,
       {{0, 0}, {1, 500}}},
      {"an inferred start never precedes an earlier sentence's start",
       {"Alpha.", "Beta."},
       {{"alpha", 2, 2.1}, {"beta", 1, 1.1}},
       {0, 1},
       0,
       {{0, 2000}, {1, 2001}}},
      {"times that are not a number, negative or huge give clamped starts",
       {"A.", "B.", "C."},
       {{"a", std::nan(""), 0}, {"b", 1e300, 0}, {"c", -5, 0}},
       {0, 1, 2},
       0,
       {{0, 0}, {1, kMax}, {2, kMax}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Given whole, or a sentence at a time as a long text is split while it plays.
    AudioTimeline whole(c.sentences, 1000);
    AudioTimeline appended({}, 1000);
    for (const auto& s : c.sentences) appended.append({s});
    for (AudioTimeline* t : {&whole, &appended}) {
      t->words(c.spoken, std::nullopt);
      EXPECT_EQ(sentencesOf(*t), c.sentenceOfWord);
      EXPECT_EQ(t->alignMismatches(), c.mismatches);
      EXPECT_EQ(t->sentenceStart(), c.starts);
    }
  }
}

TEST(AudioTimelineTest, SentencesAppendedAfterWordsArrivedAreAlignedAndReachable) {
  AudioTimeline t({"Hello there."}, 1000);
  t.words(std::vector<WordTiming>{{"hello", 0, .1}}, std::nullopt);
  t.append({"It is 3 km.", "End."});
  t.setSpoken(1, "It is three kilo metres.");  // one token more than written
  t.words(std::vector<WordTiming>{{"there", .1, .2},
                                  {"it", .5, .6},
                                  {"is", .6, .7},
                                  {"three", .7, .8},
                                  {"kilo", .8, .85},
                                  {"metres", .85, .9},
                                  {"end", 1, 1.1}},
          std::nullopt);
  EXPECT_EQ(t.alignMismatches(), 0);
  EXPECT_EQ(sentencesOf(t), (std::vector<int>{0, 0, 1, 1, 1, 1, 1, 2}));
  EXPECT_EQ(t.sentences(), (std::vector<std::string>{"Hello there.", "It is 3 km.", "End."}));
  EXPECT_EQ(t.jumpTarget(0, 5), 2);
}

TEST(AudioTimelineTest, AWordMissingFromTheLookAheadAdvancesOneToken) {
  AudioTimeline t({"a b", "c d e f g h i j k"}, 1000);
  t.words(std::vector<WordTiming>{{"a", 0, .1}, {"b", .1, .2}, {"zebra", .3, .4}, {"d", .5, .6}},
          std::nullopt);
  // "zebra" consumed "c" and went to c's sentence; "d" then matched without a further mismatch.
  EXPECT_EQ(sentencesOf(t), (std::vector<int>{0, 0, 1, 1}));
  EXPECT_EQ(t.alignMismatches(), 1);
  EXPECT_EQ(t.sentenceStart().at(1), 300);

  // Six tokens are looked at, the current one included: from "e", "k" is out of reach and only
  // consumes "e"; then "h" is found two further on, skipping "f" and "g".
  t.words(std::vector<WordTiming>{{"k", .7, .8}}, std::nullopt);
  EXPECT_EQ(t.alignMismatches(), 2);
  t.words(std::vector<WordTiming>{{"h", .8, .9}}, std::nullopt);
  EXPECT_EQ(t.alignMismatches(), 4);
  t.words(std::vector<WordTiming>{{"i", .9, 1}}, std::nullopt);
  EXPECT_EQ(t.alignMismatches(), 4);
}

TEST(AudioTimelineTest, SpokenTextReplacesExpectedTokensOnlyAheadOfAlignment) {
  AudioTimeline t({"Dr. Who arrives.", "Next one."}, 1000);
  t.setSpoken(0, "Doctor Who arrives.");
  t.setSpoken(9, "nothing to replace");
  t.words(std::vector<WordTiming>{{"Doctor", 0, .1}, {"Who", .1, .2}, {"arrives", .2, .3},
                                  {"Next", .5, .6}},
          std::nullopt);
  EXPECT_EQ(t.alignMismatches(), 0);

  // Alignment already reached into sentence 1: its tokens stay as written.
  t.setSpoken(1, "Nächste eins.");
  t.words(std::vector<WordTiming>{{"one", .6, .7}}, std::nullopt);
  EXPECT_EQ(t.alignMismatches(), 0);
  EXPECT_EQ(sentencesOf(t), (std::vector<int>{0, 0, 0, 1, 1}));
}

TEST(AudioTimelineTest, SpokenTextOfTheSentenceAtTheAlignmentPointIsUsed) {
  AudioTimeline t({"Hello.", "See 5 km.", "End."}, 1000);
  t.words(std::vector<WordTiming>{{"hello", 0, .1}}, std::nullopt);
  t.setSpoken(1, "See five kilometres.");
  t.words(std::vector<WordTiming>{{"see", .5, .6}, {"five", .6, .7}, {"kilometres", .7, .8},
                                  {"end", 1, 1.1}},
          std::nullopt);
  EXPECT_EQ(t.alignMismatches(), 0);
  EXPECT_EQ(sentencesOf(t), (std::vector<int>{0, 1, 1, 1, 2}));
}
