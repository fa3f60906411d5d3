// The player in virtual time: a scripted engine feeds it, the shared graph renders into a capture
// device, and the test advances the clock to hear what was scheduled.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/player/player.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/paths.h"
#include "core/speech/sentence_splitter.h"
#include "core/speech/speech_text.h"
#include "platform/sim/capture_audio_device.h"
#include "tests/app/scripted_engine.h"
#include "tests/support/fakes.h"

namespace orvak {

struct PlayerTestAccess {
  static std::int64_t played(const Player& p) { return p.playedUpTo_; }
  static std::int64_t scheduled(const Player& p) { return p.scheduledUpTo_; }
  static std::int64_t trimmed(const Player& p) { return p.trimmed_; }
  static std::int64_t position(const Player& p) { return p.positionNow(); }
  static const ReadTiming& rec(const Player& p) { return p.rec_; }
  static const std::vector<text::GraphemeRange>& ranges(const Player& p) { return p.ranges_; }
  static int base(const Player& p) { return p.base_; }
  static const std::vector<std::string>& sentences(const Player& p) { return p.sentences_; }
};

namespace {

using A = PlayerTestAccess;
using testing::ScriptedEngine;

std::vector<json::Json> readsLines() {
  std::vector<json::Json> out;
  std::ifstream in(OrvakPaths::logs() / "reads.jsonl");
  for (std::string line; std::getline(in, line);) out.push_back(json::Json::parse(line));
  return out;
}

bool hasEvent(const Player& p, const std::string& text) {
  for (const auto& e : A::rec(p).events) {
    if (e.find(" " + text + " @s") != std::string::npos) return true;
  }
  return false;
}

int countEvents(const Player& p, const std::string& text) {
  int n = 0;
  for (const auto& e : A::rec(p).events) n += e.find(" " + text + " @s") != std::string::npos;
  return n;
}

struct PlayerTest : ::testing::Test {
  PlayerTest() {
    graph = AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape), [](const std::string&) {});
  }
  ~PlayerTest() override {
    Player::setKeepBehindSec(600);
    Player::setTrimStepSec(120);
  }

  std::shared_ptr<Player> make(ReadOptions opts = {}, std::shared_ptr<ScriptedEngine> e = nullptr) {
    if (!e) e = engine;
    Player::Setup s;
    s.engine = e;
    s.opts = opts;
    s.q = dispatch::makeQueue("orvak.player");
    s.t0 = dispatch::monotonicNanos();
    s.rec = ReadTiming("2026-12-10T10:00:00.000Z", std::string(rawValue(e->vendor())), e->model(), e->voice(), "test",
                       0);
    s.speed = 1;
    s.graph = graph;
    auto p = Player::make(std::move(s));
    p->onState = [this](const PlayerState& st) { states.push_back(st); };
    p->onEnd = [this](const ReadTiming& r) { ends.push_back(r); };
    p->onFirstAudio = [this](const ReadTiming& r) { firsts.push_back(r); };
    p->onFailBeforeAudio = [this](const std::string& m) {
      fails.push_back(m);
      failAfterEnd = !ends.empty();
    };
    p->onBackPastStart = [this] { ++backPastStart; };
    p->begin();
    vt.drain();
    return p;
  }

  // Speaks at once with audio for every sentence: `seconds` each, arriving `latency` after a send.
  std::shared_ptr<Player> autoRead(const std::string& text, double seconds = 1.0, int from = 0,
                                   std::shared_ptr<const Capture> capture = nullptr, ReadOptions opts = {}) {
    engine->autoSpeak = ScriptedEngine::Auto{seconds, 0.1};
    auto p = make(opts);
    p->speak(text, std::move(capture), from, "top");
    vt.drain();
    return p;
  }

  double positionSec(const Player& p) { return static_cast<double>(A::position(p)) / 24000.0; }

  dispatch::VirtualTime vt;
  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  std::shared_ptr<AudioGraph> graph;
  std::shared_ptr<ScriptedEngine> engine = std::make_shared<ScriptedEngine>();
  std::vector<PlayerState> states;
  std::vector<ReadTiming> ends;
  std::vector<ReadTiming> firsts;
  std::vector<std::string> fails;
  bool failAfterEnd = false;
  int backPastStart = 0;
};

const std::string kThree = "First one here. Second one there. Third one everywhere.";

// The speakable sentences of a text split whole, as the player reads it.
std::vector<std::string> speakableSplit(std::string_view text) {
  std::vector<std::string> out;
  for (auto& s : SentenceSplitter::split(text, 400)) {
    if (SpeechText::speakable(s)) out.push_back(std::move(s));
  }
  return out;
}

// Prose in paragraphs of one long line each (longer than a stretch of splitting), with
// abbreviations, quotes, accents and flags, so that stretches end inside lines and bytes are not
// characters; short lines ending in CR LF between the paragraphs.
std::string bigPage(std::size_t bytes) {
  const std::string prose =
      "Dr. Smith met the U.S. team at 10 a.m. today. \"Fine,\" she said. Caf\u00E9 cr\u00E8me "
      "\U0001F1EB\U0001F1F7 was e\u0301te\u0301 fare. Then they left... ";
  std::string text;
  int line = 0;
  while (text.size() < bytes) {
    for (int i = 0; i < 1200 && text.size() < bytes; ++i) text += prose;
    text += "\n";
    for (int i = 0; i < 300; ++i) text += "Line " + std::to_string(++line) + " is short.\r\n";
  }
  return text;
}

// Lines with nothing to say.
std::string filler(std::size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += "- - - * - - - * - - -\n";
  return text;
}

using test::FailingDevice;
using test::UnavailableDevice;

TEST_F(PlayerTest, ADeviceFailureMidReadEndsTheReadWithOneRecord) {
  graph = AudioGraph::make(std::make_unique<FailingDevice>(40), [](const std::string&) {});
  const auto before = readsLines().size();
  auto p = autoRead(kThree, 2.0);
  vt.advance(20);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].endedBy, "error");
  EXPECT_EQ(ends[0].errors, std::vector<std::string>{"the audio device failed: device vanished"});
  EXPECT_LT(*ends[0].playedAudioSec, 6.0) << "the read did not play on after the failure";
  EXPECT_EQ(readsLines().size(), before + 1);
}

// A record that cannot be added to reads.jsonl (here the name is taken by a folder) is reported
// as not written, never as written; a written one reports nothing.
TEST_F(PlayerTest, ARecordThatCannotBeWrittenIsReportedAsNotWritten) {
  const auto reads = OrvakPaths::logs() / "reads.jsonl";
  for (const bool blocked : {false, true}) {
    std::filesystem::remove_all(reads);
    if (blocked) std::filesystem::create_directories(reads);
    auto p = autoRead(kThree, 1.0);
    vt.advance(20);
    ASSERT_EQ(ends.size(), 1u) << blocked;
    ends.clear();
    const auto failure = p->recordFailure();
    EXPECT_EQ(failure.has_value(), blocked) << failure.value_or("");
    if (failure) {
      EXPECT_NE(failure->find("reads.jsonl"), std::string::npos) << *failure;
    }
    EXPECT_EQ(std::filesystem::is_regular_file(reads), !blocked);
  }
  std::filesystem::remove_all(reads);
}

TEST_F(PlayerTest, TheRecordSaysWhenThePageWasCut) {
  const struct {
    std::optional<std::int64_t> atNodes;
    bool byTime;
  } cases[] = {{30000, false}, {std::nullopt, true}, {std::nullopt, false}};
  for (const auto& c : cases) {
    auto capture = std::make_shared<Capture>();
    capture->cutAtNodes = c.atNodes;
    capture->cutByTime = c.byTime;
    auto p = autoRead(kThree, 1.0, 0, capture);
    EXPECT_EQ(hasEvent(*p, "page cut at 30000 nodes"), c.atNodes.has_value());
    EXPECT_EQ(hasEvent(*p, "page cut: the walk ran out of time"), c.byTime);
    p->stop("test");
    vt.drain();
  }
}

TEST_F(PlayerTest, AnOutputThatCannotStartEndsTheReadAtOnceAsAnError) {
  // A sound server that is not running.
  graph = AudioGraph::make(std::make_unique<UnavailableDevice>("no server", "connection refused"),
                           [](const std::string&) {});
  engine->autoSpeak = ScriptedEngine::Auto{1.0, 0.1};
  const auto before = readsLines().size();
  auto p = make();
  p->speak(kThree, nullptr, 0, "top");
  vt.advance(10);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].endedBy, "error");
  ASSERT_EQ(ends[0].errors.size(), 1u);
  EXPECT_EQ(ends[0].errors[0], "the audio output could not start (no server)");
  EXPECT_TRUE(firsts.empty()) << "nothing was heard";
  EXPECT_EQ(readsLines().size(), before + 1);
}

// ---- Starting and feeding ----

TEST_F(PlayerTest, TwoSentencesGoBeforeAnyAudioAndTheRestAsTheAudioCoversThem) {
  auto p = make();
  p->speak(kThree, nullptr, 0, "top");
  vt.drain();
  ASSERT_EQ(engine->sent.size(), 2u);
  EXPECT_EQ(engine->sent[0].index, 0);
  EXPECT_FALSE(engine->sent[1].last);
  engine->audio(1.0, 0);
  vt.drain();
  ASSERT_EQ(engine->sent.size(), 3u);
  EXPECT_TRUE(engine->sent[2].last);
  EXPECT_EQ(A::rec(*p).sentencesSent, 3);
  EXPECT_EQ(A::rec(*p).charsSent, static_cast<std::int64_t>(engine->sent[0].text.size() + engine->sent[1].text.size() +
                                                              engine->sent[2].text.size()));
}

TEST_F(PlayerTest, AVoiceFasterThanTheAssumedRateIsFedToTheEndWithoutRunningDry) {
  std::string text;
  for (int i = 0; i < 60; ++i) text += "Sentence number " + std::to_string(i) + " is short. ";
  // About 30 characters in 0.3 s: a hundred characters a second of speech.
  auto p = autoRead(text, 0.3);
  vt.advance(25);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].endedBy, "finished");
  EXPECT_EQ(ends[0].sentencesSent, 60);
  EXPECT_EQ(ends[0].underruns, 0);
  // The pacing still holds the engine back: never the whole text at once.
  EXPECT_LT(engine->sent.size(), 61u);
}

TEST_F(PlayerTest, PlaybackThatRanDryGetsOneMoreSentenceWhateverThePacingSays) {
  // One sentence longer than the pending limit on its own, with almost no audio for it.
  std::string text = "Short one. And so";
  for (int i = 0; i < 37; ++i) text += " and so on";
  text += " until the end. Last words here.";
  auto p = make();
  p->speak(text, nullptr, 0, "top");
  vt.drain();
  ASSERT_EQ(engine->sent.size(), 2u);
  engine->audio(0.5, 0);
  engine->audio(0.5, 1);
  vt.drain();
  EXPECT_EQ(engine->sent.size(), 2u);  // 401 sent, 15 covered: 386 pending
  vt.advance(2.0);                     // everything played
  EXPECT_EQ(engine->sent.size(), 3u);
}

TEST_F(PlayerTest, StartPointCountsTheSentencesBeforeItAndReadsTheRestOfTheSentenceItFallsIn) {
  auto p = make();
  // "Second one there." starts at 16; from 23 lies inside it.
  p->speak(kThree, nullptr, 23, "cursor");
  vt.drain();
  EXPECT_EQ(A::base(*p), 2);  // "First one here." and "Second"
  ASSERT_EQ(A::sentences(*p).size(), 2u);
  EXPECT_EQ(A::sentences(*p)[0], "one there.");
  EXPECT_EQ(A::ranges(*p)[0], (text::GraphemeRange{23, 33}));
  EXPECT_EQ(A::rec(*p).startSentence, 2);
  EXPECT_EQ(A::rec(*p).sentences, 4);
  EXPECT_EQ(A::rec(*p).startReason, "cursor");
}

TEST_F(PlayerTest, LocateFindsRepeatedSentencesInOrderAndPlacesMissingOnesAtTheCursor) {
  const std::string text = "Go on. Stop. Go on. End.";
  EXPECT_EQ(Player::locate({"Go on.", "Go on.", "End."}, text, 0),
            (std::vector<text::GraphemeRange>{{0, 6}, {13, 19}, {20, 24}}));
  // A sentence that is not in the text covers what follows the previous one.
  EXPECT_EQ(Player::locate({"Stop.", "Missing words", "End."}, text, 0),
            (std::vector<text::GraphemeRange>{{7, 12}, {12, 24}, {24, 24}}));
  EXPECT_EQ(Player::locate({"", "End."}, text, 3), (std::vector<text::GraphemeRange>{{3, 3}, {20, 24}}));
}

// A page far longer than a stretch of splitting: the first sentences go out after the first
// stretch, every turn of the queue splits one more, and a stop lets at most the one already
// queued run, whether it comes right after the first turn or later.
TEST_F(PlayerTest, AHugePageIsSplitAStretchPerTurnAndAStopEndsTheSplitting) {
  const std::string text = bigPage(1 << 20);
  const auto total = speakableSplit(text).size();
  for (const int stopAfterTurns : {1, 3}) {
    engine = std::make_shared<ScriptedEngine>();
    ends.clear();
    auto p = make();
    std::vector<std::size_t> split;  // sentences split after each turn
    int splitTo = 0;                 // and the character where the last of them ended
    std::size_t sentAtFirstTurn = 0;
    std::function<void()> probe = [&] {
      split.push_back(A::sentences(*p).size());
      splitTo = A::ranges(*p).back().end;
      if (split.size() == 1) sentAtFirstTurn = engine->sent.size();
      if (static_cast<int>(split.size()) == stopAfterTurns) {
        p->stop("user");
      } else {
        p->queue()->async(probe);
      }
    };
    p->speak(text, nullptr, 0, "top");
    p->queue()->async(probe);
    vt.drain();
    SCOPED_TRACE(stopAfterTurns);
    EXPECT_EQ(sentAtFirstTurn, 2u);
    ASSERT_GE(engine->sent.size(), 1u);
    EXPECT_EQ(engine->sent[0].text, "Dr. Smith met the U.S. team at 10 a.m. today.");
    EXPECT_EQ(engine->sent.size(), 2u) << "nothing is sent after the stop";
    ASSERT_EQ(split.size(), static_cast<std::size_t>(stopAfterTurns));
    EXPECT_GT(split[0], 2u);
    EXPECT_LT(split[0], total / 10);
    for (std::size_t i = 1; i < split.size(); ++i) EXPECT_GT(split[i], split[i - 1]) << "turn " << i;
    // One more stretch at most: a stretch's bytes, and a little more where a line needs it.
    EXPECT_LE(A::ranges(*p).back().end - splitTo, (64 << 10) + 1000);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].endedBy, "user");
    EXPECT_TRUE(hasEvent(*p, "end before the text was split"));
  }
}

// Split a stretch at a time, the sentences are those of the whole text, whole and in order,
// placed at their characters; the counts before the start point and of the whole text too.
TEST_F(PlayerTest, SentencesOfAPageSplitInStretchesAreThoseOfTheWholePageAndPlacedExactly) {
  const std::string text = bigPage(300 << 10);
  const auto charAt = [&](std::size_t byte) { return text::graphemeCount(std::string_view(text).substr(0, byte)); };
  const std::size_t deep = text.find("Line 400 is short.");  // past the first long paragraph
  const std::size_t deeper = text.find("Line 650 is short.");
  ASSERT_NE(deeper, std::string::npos);
  const struct {
    const char* name;
    int from;
    std::optional<int> until;
    const char* paragraphStart;  // of "Line 450 is short.": lines ending in CR LF are one paragraph
  } cases[] = {
      {"whole page", 0, std::nullopt, "Line 301 is short.\r\n"},
      {"from inside a sentence deep in the page", charAt(deep) + 3, std::nullopt, "e 400 is short.\r\n"},
      {"a stretch in the middle", charAt(deep), charAt(deeper), "Line 400 is short.\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto p = make();
    p->speak(text, nullptr, c.from, "cursor", c.until);
    vt.drain();
    const std::string_view whole(text);
    const std::size_t startByte = text::graphemePrefix(whole, c.from).size();
    const std::size_t endByte =
        c.until ? text::graphemePrefix(whole, *c.until).size() : whole.size();
    const auto expected = speakableSplit(whole.substr(startByte, endByte - startByte));
    ASSERT_GT(expected.size(), 100u);
    EXPECT_EQ(A::sentences(*p), expected);
    EXPECT_EQ(A::ranges(*p), Player::locate(expected, text, c.from));
    EXPECT_EQ(A::base(*p), static_cast<int>(speakableSplit(whole.substr(0, startByte)).size()));
    EXPECT_EQ(A::rec(*p).sentences, A::base(*p) + static_cast<int>(expected.size()));
    EXPECT_EQ(A::rec(*p).textChars, text::graphemeCount(text));
    // Paragraphs are found in the text around the sentences, wherever these came from.
    const auto it = std::find(expected.begin(), expected.end(), "Line 450 is short.");
    ASSERT_NE(it, expected.end());
    const auto paragraph = p->paragraph(static_cast<int>(it - expected.begin()));
    ASSERT_TRUE(paragraph);
    EXPECT_EQ(paragraph->substr(0, std::string_view(c.paragraphStart).size()), c.paragraphStart);
    p->stop("test");
    vt.drain();
  }
}

// However the sentences fall into stretches, the final one goes with "last" and only it.
TEST_F(PlayerTest, TheFinalSentenceIsSentAsLastWhereverTheSplittingFindsIt) {
  const std::string three = "First one. Second one. Third one.";
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"nothing to say after them", three + "\n" + filler(300 << 10)},
      {"far apart", "First one.\n" + filler(200 << 10) + "Second one.\n" + filler(200 << 10) + "Third one."},
      {"nothing to say before them", filler(300 << 10) + three},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    engine = std::make_shared<ScriptedEngine>();
    auto p = make();
    p->speak(c.text, nullptr, 0, "top");
    vt.drain();
    for (int i = 0; i < 3 && engine->sent.size() < 3; ++i) {
      engine->audio(1.0, i);
      vt.drain();
    }
    ASSERT_EQ(engine->sent.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(engine->sent[static_cast<std::size_t>(i)].text, std::vector<std::string>({"First one.", "Second one.",
                                                                                        "Third one."})[static_cast<std::size_t>(i)]);
      EXPECT_EQ(engine->sent[static_cast<std::size_t>(i)].index, i);
      EXPECT_EQ(engine->sent[static_cast<std::size_t>(i)].last, i == 2);
    }
    p->stop("test");
    vt.drain();
  }
}

// Text beyond the limit is never held: it is cut at a line end, else at a character boundary,
// and the read's record says so.
TEST_F(PlayerTest, APageOverTheTextLimitIsCutAndTheRecordSaysSo) {
  const std::size_t limit = Player::kTextLimitBytes;
  std::string lines;
  while (lines.size() < limit + (100 << 10)) lines += "Line of text, \u00E9t\u00E9 here.\n";
  std::string oneLine;  // two-byte characters all the way, crossing the limit
  while (oneLine.size() < limit + 1000) oneLine += "\u00E9t\u00E9 ";
  const struct {
    const char* name;
    std::string text;
    bool cut;
    bool atLineEnd;
  } cases[] = {
      {"under the limit", lines.substr(0, lines.rfind('\n', limit - 1) + 1), false, true},
      {"lines over the limit", lines, true, true},
      {"one line over the limit", oneLine, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto p = make();
    p->speak(c.text, nullptr, 0, "top");
    p->stop("test");
    vt.drain();
    const auto spoken = p->spoken();
    ASSERT_TRUE(spoken);
    const std::string& kept = spoken->text;
    EXPECT_LE(kept.size(), limit);
    EXPECT_EQ(kept.size() < c.text.size(), c.cut);
    EXPECT_EQ(c.text.compare(0, kept.size(), kept), 0) << "the start of the page, unchanged";
    EXPECT_TRUE(text::isValidUtf8(kept));
    EXPECT_EQ(!kept.empty() && kept.back() == '\n', c.atLineEnd);
    EXPECT_GT(kept.size(), limit - (64 << 10)) << "cut near the limit";
    EXPECT_EQ(hasEvent(*p, "page cut at " + std::to_string(kept.size()) + " of " + std::to_string(c.text.size()) +
                               " bytes of text: the rest is not read"),
              c.cut);
  }
}

// ---- Receiving and scheduling ----

TEST_F(PlayerTest, AudioIsScheduledInHalfSecondBuffersAndPlayedAsTheyAreHeard) {
  auto p = make();
  p->speak(kThree, nullptr, 0, "top");
  vt.drain();
  engine->audio(1.2, 0);
  vt.drain();
  EXPECT_EQ(A::scheduled(*p), 28800);
  EXPECT_EQ(A::played(*p), 0);
  vt.advance(0.75);
  EXPECT_EQ(A::played(*p), 12000);
  vt.advance(0.3);
  EXPECT_EQ(A::played(*p), 24000);
  vt.advance(0.5);
  EXPECT_EQ(A::played(*p), 28800);
  // What was heard is the audio, not silence.
  const auto heard = tape->channel(0);
  EXPECT_GT(std::count_if(heard.begin(), heard.end(), [](float v) { return v > 0.1f; }), 40000);
}

TEST_F(PlayerTest, FirstHeardSampleIsRecordedOnceAndStartsTheStopAfterClock) {
  int started = 0;
  ReadOptions opts;
  opts.stopAfter = 0.5;
  auto p = make(opts);
  p->setOnPlaybackStarted([&] { ++started; });
  p->speak(kThree, nullptr, 0, "top");
  vt.advance(0.1);
  engine->audio(3.0, 0);
  vt.advance(0.2);
  ASSERT_EQ(firsts.size(), 1u);
  EXPECT_EQ(started, 1);
  const auto& r = firsts[0];
  ASSERT_TRUE(r.firstAudioSampleMs && r.firstByteMs && r.firstAudioScheduledMs && r.requestSentMs);
  EXPECT_NEAR(*r.firstByteMs, 100, 1);
  EXPECT_GE(*r.firstAudioSampleMs, *r.firstAudioScheduledMs);
  EXPECT_LT(*r.firstAudioSampleMs, 130);
  EXPECT_EQ(r.requestToFirstSampleMs, *r.firstAudioSampleMs - *r.requestSentMs);
  EXPECT_FALSE(r.captureToFirstSampleMs);  // no capture
  vt.advance(0.45);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].endedBy, "stopAfter");
  EXPECT_NEAR(*ends[0].playedAudioSec, 0.5, 0.05);
}

TEST_F(PlayerTest, StopAfterThatIsNotAPositiveNumberIsIgnored) {
  for (double bad : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    ends.clear();
    ReadOptions opts;
    opts.stopAfter = bad;
    auto e = std::make_shared<ScriptedEngine>();
    auto p = make(opts, e);
    p->speak(kThree, nullptr, 0, "top");
    vt.drain();
    e->audio(2.0, 0);
    vt.advance(1.0);
    EXPECT_TRUE(ends.empty()) << bad;
    EXPECT_TRUE(p->isPlaying()) << bad;
    p->stop("test");
    vt.drain();
  }
}

TEST_F(PlayerTest, AReadPausedBeforeItsFirstAudioStaysSilentUntilResumed) {
  auto p = make();
  p->speak(kThree, nullptr, 0, "top");
  p->pause();
  vt.drain();
  engine->audio(1.0, 0);
  vt.advance(0.5);
  EXPECT_EQ(A::position(*p), 0);
  EXPECT_TRUE(p->isPaused());
  p->togglePause();
  vt.advance(0.6);
  EXPECT_EQ(A::played(*p), 12000);
  EXPECT_TRUE(p->isPlaying());
}

TEST_F(PlayerTest, AReadResumedLongAfterAPauseBeforeItsFirstAudioStillReportsItsFirstSound) {
  int started = 0;
  ReadOptions opts;
  opts.stopAfter = 1.0;
  auto p = make(opts);
  p->setOnPlaybackStarted([&] { ++started; });
  p->speak(kThree, nullptr, 0, "top");
  p->pause();
  vt.drain();
  engine->audio(3.0, 0);
  vt.advance(5.0);  // longer than anyone waits for a first sample
  EXPECT_TRUE(firsts.empty());
  p->togglePause();
  vt.advance(0.2);
  ASSERT_EQ(firsts.size(), 1u);
  EXPECT_EQ(started, 1);
  EXPECT_GT(*firsts[0].firstAudioSampleMs, 5000);
  vt.advance(1.0);  // the stopAfter clock runs from the sound, not from the scheduling
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].endedBy, "stopAfter");
}

TEST_F(PlayerTest, ASkipBeforeTheFirstSampleIsHeardStillReportsTheFirstSoundOnce) {
  int started = 0;
  ReadOptions opts;
  opts.stopAfter = 1.0;
  auto p = make(opts);
  p->setOnPlaybackStarted([&] { ++started; });
  p->speak(kThree, nullptr, 0, "top");
  vt.drain();
  engine->audio(2.0, 0);
  engine->audio(2.0, 1);
  vt.drain();  // scheduled and playing, nothing heard yet
  p->skip(1);
  vt.advance(0.3);
  ASSERT_EQ(firsts.size(), 1u);
  EXPECT_EQ(started, 1);
  vt.advance(1.0);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].endedBy, "stopAfter");
  EXPECT_EQ(firsts.size(), 1u);
}

TEST_F(PlayerTest, ANewReadDoesNotPlayBehindWhatAnOlderReadLeftOnTheNode) {
  auto a = autoRead(kThree, 5.0);
  vt.advance(1.0);
  // The next read claims the graph before the old one's stop has run, so the old one's release
  // finds the path taken and leaves its audio on the node.
  auto fresh = std::make_shared<ScriptedEngine>();
  auto b = make({}, fresh);
  a->stop("startOver");
  vt.drain();
  b->speak(kThree, nullptr, 0, "top");
  vt.drain();
  fresh->audio(2.0, 0);
  vt.advance(0.6);
  EXPECT_EQ(A::played(*b), 12000);
  EXPECT_NEAR(positionSec(*b), 0.6, 0.05);
  EXPECT_EQ(b->playingRange(), A::ranges(*b)[0]);
}

TEST_F(PlayerTest, ASkipPastTheLastAudioOfAFinishedEngineEndsTheRead) {
  // An engine that names no sentence for the last one's audio (and times none of its words).
  auto p = make();
  p->speak("One a. Two b.", nullptr, 0, "top");
  vt.drain();
  engine->audio(1.0, 0);
  engine->audio(1.0, std::nullopt);
  engine->finished();
  vt.advance(0.3);
  p->skip(1);
  vt.advance(2.0);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].endedBy, "finished");
  // The skip is in the record that was written, before its end.
  const auto& events = ends[0].events;
  ASSERT_GE(events.size(), 2u);
  EXPECT_NE(events[events.size() - 2].find(" skip 1 → s1 (not generated yet) @s"), std::string::npos);
  EXPECT_NE(events.back().find(" end finished @s"), std::string::npos);
}

TEST_F(PlayerTest, FirstSampleWatchDoesNothingOnceTheReadHasEnded) {
  auto p = make();
  p->speak(kThree, nullptr, 0, "top");
  vt.drain();
  engine->audio(2.0, 0);
  vt.drain();
  // Another read takes the graph, so the node keeps playing after this read ends.
  int other = 0;
  graph->claim(&other);
  p->stop("user");
  vt.advance(1.0);
  EXPECT_TRUE(firsts.empty());
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_FALSE(ends[0].firstAudioSampleMs);
}

TEST_F(PlayerTest, UnderrunsAreCountedOnceAndTimedUntilAudioReturns) {
  auto p = make();
  p->speak(kThree, nullptr, 0, "top");
  vt.drain();
  engine->audio(1.0, 0);
  vt.advance(1.5);
  EXPECT_EQ(A::rec(*p).underruns, 1);
  vt.advance(0.5);
  EXPECT_EQ(A::rec(*p).underruns, 1);
  engine->audio(1.0, 1);
  vt.drain();
  EXPECT_NEAR(A::rec(*p).underrunMs, 1000, 30);
  engine->finished();
  vt.advance(1.5);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].endedBy, "finished");
  EXPECT_EQ(ends[0].underruns, 1);  // running dry at the end counts nothing
}

TEST_F(PlayerTest, ChunksAtAnUnusableRateAreAnEngineErrorNotAudio) {
  for (double rate : {4000.0, 500000.0, std::numeric_limits<double>::infinity()}) {
    ends.clear();
    auto e = std::make_shared<ScriptedEngine>();
    auto p = make({}, e);
    p->speak(kThree, nullptr, 0, "top");
    vt.drain();
    if (auto s = e->sink()) s->ttsAudio(std::vector<float>(100, 0.1f), rate, 0);
    vt.drain();
    ASSERT_EQ(ends.size(), 1u) << rate;
    EXPECT_EQ(ends[0].endedBy, "error");
    ASSERT_EQ(ends[0].errors.size(), 1u);
    EXPECT_EQ(ends[0].errors[0].rfind("apple: audio at an unusable sample rate", 0), 0u) << ends[0].errors[0];
    EXPECT_FALSE(ends[0].firstByteMs);
  }
}

TEST_F(PlayerTest, FirstChunkAtAnotherRateRebuildsTheGraphAtThatRate) {
  auto p = make();
  p->speak(kThree, nullptr, 0, "top");
  vt.drain();
  EXPECT_EQ(graph->sampleRate(), 24000);
  engine->audio(0.5, 0, 44100);
  vt.drain();
  EXPECT_EQ(graph->sampleRate(), 44100);
  EXPECT_EQ(A::scheduled(*p), 22050);
  vt.advance(1.0);
  EXPECT_EQ(A::played(*p), 22050);
}

TEST_F(PlayerTest, TrimmingKeepsTheConfiguredStretchBehindAndNeverUnplayedAudio) {
  EXPECT_FALSE(Player::setKeepBehindSec(-1));
  EXPECT_FALSE(Player::setKeepBehindSec(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(Player::setTrimStepSec(0));
  EXPECT_FALSE(Player::setTrimStepSec(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(Player::keepBehindSec(), 600);
  ASSERT_TRUE(Player::setKeepBehindSec(1));
  ASSERT_TRUE(Player::setTrimStepSec(0.5));
  auto p = make();
  p->speak("One a. Two b. Three c. Four d. Five e. Six f.", nullptr, 0, "top");
  vt.drain();
  // Trimming happens as chunks arrive: one second of audio every second.
  for (int i = 0; i < 4; ++i) {
    engine->audio(1.0, i);
    vt.advance(1.0);
    EXPECT_LE(A::trimmed(*p), std::max<std::int64_t>(0, A::played(*p) - 24000)) << i;
  }
  engine->audio(1.0, 4);
  vt.drain();
  const auto trimmed = A::trimmed(*p);
  EXPECT_GT(trimmed, 12000);
  EXPECT_LE(trimmed, A::played(*p) - 24000);
  EXPECT_TRUE(std::any_of(A::rec(*p).events.begin(), A::rec(*p).events.end(),
                          [](const std::string& e) { return e.find(" trim ") != std::string::npos; }));
  // Back to the top: the trimmed audio is gone, so playback restarts at the oldest kept sample.
  p->commandResume(0);
  vt.drain();
  EXPECT_GE(A::played(*p), trimmed);
}

TEST_F(PlayerTest, HugeButFiniteTrimSettingsMeanNeverRatherThanAnything) {
  // A step longer than any read: nothing is ever trimmed, however little is kept.
  ASSERT_TRUE(Player::setKeepBehindSec(0));
  ASSERT_TRUE(Player::setTrimStepSec(1e300));
  auto p = make();
  p->speak("One a. Two b. Three c. Four d.", nullptr, 0, "top");
  vt.drain();
  for (int i = 0; i < 3; ++i) {
    engine->audio(1.0, i);
    vt.advance(1.0);
  }
  EXPECT_GT(A::played(*p), 24000);
  EXPECT_EQ(A::trimmed(*p), 0);

  // Keeping more than any read: nothing is trimmed either, however small the step.
  ASSERT_TRUE(Player::setKeepBehindSec(1e300));
  ASSERT_TRUE(Player::setTrimStepSec(0.01));
  engine->audio(1.0, 3);
  vt.advance(1.0);
  EXPECT_EQ(A::trimmed(*p), 0);
}

// ---- Controls ----

TEST_F(PlayerTest, PauseIsNotedOnceTogglingResumesAndPositionHoldsWhilePaused) {
  auto p = autoRead(kThree, 2.0);
  vt.advance(0.5);
  p->pause();
  p->pause();
  vt.drain();
  EXPECT_TRUE(p->isPaused());
  EXPECT_FALSE(p->isPlaying());
  const auto at = A::position(*p);
  vt.advance(1.0);
  EXPECT_EQ(A::position(*p), at);
  EXPECT_EQ(A::rec(*p).underruns, 0);
  EXPECT_EQ(countEvents(*p, "pause"), 1);
  p->togglePause();
  vt.advance(0.5);
  EXPECT_TRUE(p->isPlaying());
  EXPECT_GT(A::position(*p), at);
  EXPECT_EQ(countEvents(*p, "resume"), 1);
  ASSERT_FALSE(states.empty());
  EXPECT_FALSE(states.back().paused);
}

TEST_F(PlayerTest, SkipsMoveBySentencesAndOldCompletionsAreIgnored) {
  auto p = autoRead("One a. Two b. Three c. Four d. Five e.", 2.0);
  vt.advance(0.6);
  p->skip(2);
  vt.drain();
  EXPECT_TRUE(hasEvent(*p, "skip 2 → s2"));
  EXPECT_EQ(p->playingRange(), A::ranges(*p)[2]);
  const auto afterSeek = A::played(*p);
  EXPECT_EQ(afterSeek, 4 * 24000);
  // Completions of the buffers scheduled before the seek arrived (the node was stopped) and
  // changed nothing.
  vt.advance(0.5);
  EXPECT_EQ(p->playingRange(), A::ranges(*p)[2]);
  // Within the first second of a sentence a skip back goes to the previous one ...
  p->skip(-1);
  vt.drain();
  EXPECT_EQ(p->playingRange(), A::ranges(*p)[1]);
  // ... and further in it restarts the current one.
  vt.advance(1.5);
  p->skip(-1);
  vt.drain();
  EXPECT_TRUE(hasEvent(*p, "skip -1 → s1"));
  EXPECT_EQ(A::position(*p), 2 * 24000);
  // Far past the end is clamped to the last sentence.
  p->skip(40);
  vt.drain();
  EXPECT_EQ(p->playingRange(), A::ranges(*p)[4]);
}

TEST_F(PlayerTest, AfterTheOutputDeviceChangedTheCurrentSentenceIsPlayedAgainOnTheRebuiltGraph) {
  auto p = autoRead("One a. Two b. Three c.", 2.0);
  vt.advance(0.1 + 3.0);  // 1 s into sentence 1
  graph->forceRebuild();
  graph->ensure(24000);
  p->recoverAudio();
  vt.drain();
  EXPECT_TRUE(hasEvent(*p, "audio device changed → s1"));
  EXPECT_EQ(A::position(*p), 2 * 24000);
  vt.advance(0.5);
  EXPECT_GT(A::position(*p), 2 * 24000);
  vt.advance(5);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].endedBy, "finished");
}

TEST_F(PlayerTest, SkipForwardToASentenceWithoutAudioWaitsAtTheEndOfTheReceivedAudio) {
  auto p = make();
  p->speak(kThree, nullptr, 0, "top");
  vt.drain();
  engine->audio(1.0, 0);
  vt.advance(0.3);
  p->skip(1);
  vt.drain();
  EXPECT_TRUE(hasEvent(*p, "skip 1 → s1 (not generated yet)"));
  EXPECT_EQ(A::played(*p), 24000);
  EXPECT_EQ(A::scheduled(*p), 24000);
  p->skip(-1);  // backward to audio that exists
  vt.drain();
  EXPECT_EQ(A::played(*p), 0);
}

TEST_F(PlayerTest, SkippingBackPastTheStartOfAMidDocumentReadAsksTheController) {
  const std::string text = "Earlier part. Then this one. And more.";
  auto p = autoRead(text, 4.0, 14);
  vt.advance(2.0);
  p->skip(-1);
  vt.drain();
  EXPECT_EQ(backPastStart, 1);
  EXPECT_FALSE(hasEvent(*p, "skip -1 → s0"));
  vt.advance(1.0);  // about 2.9 s into sentence 0
  p->skip(-1);
  vt.drain();
  EXPECT_EQ(backPastStart, 1);
  EXPECT_TRUE(hasEvent(*p, "skip -1 → s0"));
  EXPECT_EQ(A::played(*p), 0);
}

TEST_F(PlayerTest, ParagraphSkipsFollowLineBreaksAndTheDepthIntoTheSentence) {
  const std::string text = "Alpha one. Alpha two.\nBeta one. Beta two.\nGamma one. Gamma two.";
  auto p = autoRead(text, 2.0);
  vt.advance(3.0);  // in sentence 1
  p->skipParagraph(1, false);
  vt.drain();
  EXPECT_TRUE(hasEvent(*p, "paragraph + → s2"));
  EXPECT_EQ(p->playingRange(), A::ranges(*p)[2]);
  vt.advance(0.5);  // shallow in sentence 2, a paragraph start: back to the previous paragraph
  p->skipParagraph(0, false);
  vt.drain();
  EXPECT_TRUE(hasEvent(*p, "paragraph - → s0"));
  EXPECT_TRUE(hasEvent(*p, "skip -2 → s0")) << "a backward move is a skip like any other";
  EXPECT_EQ(A::position(*p), 0);
  p->skip(3);
  vt.advance(1.8);  // deep in sentence 3: back to its paragraph's start
  p->skipParagraph(0, false);
  vt.drain();
  EXPECT_TRUE(hasEvent(*p, "paragraph - → s2"));
  EXPECT_EQ(A::position(*p), 4 * 24000);
  p->skip(3);  // the last sentence: no paragraph after it, a plain skip
  vt.drain();
  p->skipParagraph(1, false);
  vt.drain();
  EXPECT_FALSE(hasEvent(*p, "paragraph + → s6"));
}

TEST_F(PlayerTest, SectionSkipsUseTheCapturedHeadingsOrHeadingLikeSentences) {
  const std::string text = "Intro\nAlpha one. Alpha two.\nPart B\nBeta one. Beta two.";
  auto capture = std::make_shared<Capture>();
  capture->clean.headingStarts = {0, 28};  // "Intro", "Part B"
  auto p = autoRead(text, 2.0, 0, capture);
  vt.advance(2.5);  // in "Alpha one."
  p->skipParagraph(1, true);
  vt.drain();
  EXPECT_TRUE(hasEvent(*p, "section + → s3"));
  EXPECT_EQ(p->playingText(), "Part B");
  vt.advance(0.3);
  p->skipParagraph(0, true);  // at a section's heading, shallow: the section before
  vt.drain();
  EXPECT_TRUE(hasEvent(*p, "section - → s0"));
  EXPECT_TRUE(hasEvent(*p, "skip -3 → s0"));

  // Without a capture, a heading-like sentence marks the section.
  engine = std::make_shared<ScriptedEngine>();
  auto q = autoRead(text, 2.0);
  vt.advance(2.5);
  q->skipParagraph(1, true);
  vt.drain();
  EXPECT_TRUE(hasEvent(*q, "section + → s3"));
}

TEST_F(PlayerTest, SpeedIsClampedNotedAndSetOnTheRateUnit) {
  auto p = autoRead(kThree);
  p->setSpeed(10);
  vt.drain();
  EXPECT_EQ(p->currentSpeed(), 4.0f);
  EXPECT_EQ(graph->pitch()->rate(), 4.0f);
  EXPECT_TRUE(hasEvent(*p, "speed 4"));
  p->setSpeed(1.25f);
  p->setSpeed(std::numeric_limits<float>::quiet_NaN());
  vt.drain();
  EXPECT_EQ(p->currentSpeed(), 1.25f);
  EXPECT_TRUE(hasEvent(*p, "speed 1.25"));
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(states.back().speed, 1.25f);
}

// ---- Position queries ----

TEST_F(PlayerTest, PlayingRangesFollowTheSentenceAndWordHeard) {
  auto p = autoRead("Hello there world. Second one here.", 1.5);
  EXPECT_FALSE(p->playingRange());  // nothing heard yet
  vt.advance(0.1 + 0.7);            // 0.7 s into sentence 0: its second word
  EXPECT_EQ(p->playingRange(), (text::GraphemeRange{0, 18}));
  EXPECT_EQ(p->playingWordRange(), (text::GraphemeRange{6, 11}));
  EXPECT_EQ(p->playingText(), "Hello there world.");
  vt.advance(1.5);  // 0.7 s into sentence 1
  EXPECT_EQ(p->playingRange(), (text::GraphemeRange{19, 35}));
  EXPECT_EQ(p->playingWordRange(), (text::GraphemeRange{26, 29}));
  p->stop("test");
  vt.drain();
  EXPECT_FALSE(p->playingRange());
  EXPECT_FALSE(p->playingWordRange());
}

TEST_F(PlayerTest, CommandPauseLooksBackToWhereTheListenerBeganToSpeak) {
  auto p = autoRead("One a. Two b. Three c.", 4.0);
  vt.advance(0.1 + 5.0);  // 1 s into sentence 1
  const auto pos = A::position(*p);
  const auto m = p->commandPause(1'500'000'000);
  ASSERT_TRUE(m);
  EXPECT_TRUE(p->isPaused());
  EXPECT_EQ(m->playingSentence, 0);  // 1.5 s back lies in sentence 0
  EXPECT_EQ(m->sentence, 0);
  EXPECT_NEAR(m->intoSentenceSec, static_cast<double>(pos - 36000) / 24000.0, 1e-9);
  EXPECT_EQ(m->text, "One a.");
  EXPECT_EQ(countEvents(*p, "commandPause"), 1);

  p->commandResume(std::nullopt);
  vt.advance(0.5);  // about 1.5 s into sentence 1
  const auto m2 = p->commandPause(1'000'000'000);  // 0.5 s into sentence 1: "this" is sentence 0
  ASSERT_TRUE(m2);
  EXPECT_EQ(m2->playingSentence, 1);
  EXPECT_EQ(m2->sentence, 0);
  EXPECT_EQ(m2->docSentence, 0);
  // Already paused: the moment is where it stands.
  const auto m3 = p->commandPause(9'000'000'000);
  ASSERT_TRUE(m3);
  EXPECT_EQ(m3->playingSentence, 1);

  p->commandResume(99);
  vt.drain();
  EXPECT_FALSE(p->isPaused());
  EXPECT_TRUE(hasEvent(*p, "commandJump → s99"));
  EXPECT_EQ(A::position(*p), 8 * 24000);
}

TEST_F(PlayerTest, CommandResumeBeforeAnySentenceIsAPlainResume) {
  auto p = make();
  p->pause();
  vt.drain();
  EXPECT_FALSE(p->commandPause(0));  // not started
  p->commandResume(3);
  EXPECT_FALSE(p->isPaused());
}

TEST_F(PlayerTest, ParagraphSentenceAndContextLookups) {
  const std::string text = "Title line\nFirst here. Second here.\nOther paragraph.";
  auto p = autoRead(text, 1.0);
  vt.advance(0.5);
  EXPECT_EQ(p->paragraph(2), "First here. Second here.");
  EXPECT_EQ(p->paragraph(-5), "Title line");
  EXPECT_EQ(p->sentence("second here"), 2);
  EXPECT_FALSE(p->sentence("nowhere to be found"));
  p->setSource({"Firefox", "Rivers", std::nullopt});
  const auto ctx = p->askContext(Player::Moment{3, "Other paragraph.", 3, 0.1, 3});
  ASSERT_TRUE(ctx);
  EXPECT_EQ(ctx->text, text);
  EXPECT_EQ(ctx->at, "Other paragraph.");
  EXPECT_EQ(ctx->title, "Rivers");
  EXPECT_NE(ctx->section.find("Other paragraph."), std::string::npos);
}

// ---- State and the end of a read ----

TEST_F(PlayerTest, PublishedSentenceCountsWithinTheWholeDocument) {
  std::string text;
  for (int i = 0; i < 50; ++i) text += "Sentence number " + std::to_string(i) + ". ";
  const int from = static_cast<int>(text.find("Sentence number 40."));
  auto p = autoRead(text, 0.5, from);
  vt.advance(0.5);
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(states.back().sentence, 41);
  EXPECT_EQ(states.back().total, 50);
  EXPECT_EQ(states.back().label, "On-device");
  vt.advance(10);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(states.back().sentence, 50);
  EXPECT_TRUE(states.back().ended);
  EXPECT_EQ(p->endPosition(), (Player::EndPosition{49, "Sentence number 49.", true}));
  EXPECT_EQ(ends[0].endSentence, 49);
}

TEST_F(PlayerTest, EveryEndReasonWritesExactlyOneReadsLine) {
  struct Case {
    const char* reason;
    Vendor vendor;
    std::optional<double> stopAfter;
    std::function<void(PlayerTest&, Player&, ScriptedEngine&)> run;
  };
  const Case cases[] = {
      {"finished", Vendor::onDevice, std::nullopt,
       [](PlayerTest& t, Player& p, ScriptedEngine& e) {
         e.autoSpeak = ScriptedEngine::Auto{0.5, 0.1};
         p.speak(kThree, nullptr, 0, "top");
         t.vt.advance(3);
       }},
      {"noAudio", Vendor::onDevice, std::nullopt,
       [](PlayerTest& t, Player& p, ScriptedEngine& e) {
         p.speak(kThree, nullptr, 0, "top");
         t.vt.drain();
         e.finished();
         t.vt.drain();
       }},
      {"empty", Vendor::onDevice, std::nullopt,
       [](PlayerTest& t, Player& p, ScriptedEngine&) {
         p.speak(kThree, nullptr, 30, "top", 10);  // until before from
         t.vt.drain();
       }},
      {"stopAfter", Vendor::onDevice, 1.0,
       [](PlayerTest& t, Player& p, ScriptedEngine& e) {
         e.autoSpeak = ScriptedEngine::Auto{2.0, 0.1};
         p.speak(kThree, nullptr, 0, "top");
         t.vt.advance(1.5);
       }},
      {"user", Vendor::onDevice, std::nullopt,
       [](PlayerTest& t, Player& p, ScriptedEngine&) {
         p.stop("user");
         t.vt.drain();
       }},
      {"error", Vendor::onDevice, std::nullopt,
       [](PlayerTest& t, Player& p, ScriptedEngine& e) {
         p.speak(kThree, nullptr, 0, "top");
         t.vt.drain();
         e.error("apple: no voice");
         t.vt.drain();
       }},
      {"fallback", Vendor::inworld, std::nullopt,
       [](PlayerTest& t, Player& p, ScriptedEngine& e) {
         p.speak(kThree, nullptr, 0, "top");
         t.vt.drain();
         e.error("inworld: unauthorised (HTTP 401)");
         t.vt.drain();
       }},
  };
  for (const auto& c : cases) {
    ends.clear();
    states.clear();
    fails.clear();
    auto e = std::make_shared<ScriptedEngine>(c.vendor);
    ReadOptions opts;
    opts.stopAfter = c.stopAfter;
    auto p = make(opts, e);
    const auto before = readsLines().size();
    c.run(*this, *p, *e);
    // Anything after the end changes nothing and writes nothing.
    p->stop("again");
    e->finished();
    e->error("late");
    vt.advance(1);
    const auto lines = readsLines();
    ASSERT_EQ(lines.size(), before + 1) << c.reason;
    EXPECT_EQ(lines.back().at("endedBy"), c.reason);
    ASSERT_EQ(ends.size(), 1u) << c.reason;
    EXPECT_EQ(ends[0].endedBy, c.reason);
    EXPECT_TRUE(p->hasEnded());
    ASSERT_FALSE(states.empty());
    EXPECT_TRUE(states.back().ended);
    EXPECT_EQ(p->endPosition().has_value(), std::string(c.reason) != "user" && std::string(c.reason) != "empty")
        << c.reason;
    if (std::string(c.reason) == "error") {
      EXPECT_EQ(states.back().error, "apple: no voice");
    }
    if (std::string(c.reason) == "fallback") {
      EXPECT_EQ(fails, std::vector<std::string>{"inworld: unauthorised (HTTP 401)"});
      EXPECT_TRUE(failAfterEnd);
    } else {
      EXPECT_TRUE(fails.empty()) << c.reason;
    }
  }
}

TEST_F(PlayerTest, StopBeforeAnyTextWritesALineWithoutAnEndSentence) {
  auto p = make();
  p->stop("captureError");
  vt.drain();
  const auto lines = readsLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().at("endedBy"), "captureError");
  EXPECT_FALSE(lines.back().contains("endSentence"));
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(states.back().sentence, 1);
  EXPECT_EQ(states.back().total, 1);
}

// After an engine error mid-read, what the engine still streams is played; the read ends as an
// error only once all received audio has played and the engine is done or has gone quiet.
TEST_F(PlayerTest, AnErrorAfterPlaybackBeganPlaysWhatStillArrivesAndEndsAsAnError) {
  enum class After { moreAudioThenFinished, finished, silence };
  struct Case {
    const char* name;
    After after;
    double endsBy;     // virtual seconds after the error at which the read has ended
    double notBefore;  // ... and before which it has not
    double playedSec;
    int underruns;  // the wait for audio that never came is heard as one
  };
  const Case cases[] = {
      {"more audio streams in, then the engine is done", After::moreAudioThenFinished, 2.0, 1.6, 2.0, 0},
      {"the engine is done at once", After::finished, 0.8, 0.6, 1.0, 0},
      {"nothing more arrives", After::silence, 5.1, 4.9, 1.0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ends.clear();
    states.clear();
    auto e = std::make_shared<ScriptedEngine>(Vendor::inworld);
    ReadOptions opts;
    opts.errorQuietSec = 5;
    auto p = make(opts, e);
    p->speak(kThree, nullptr, 0, "top");
    vt.drain();
    e->audio(1.0, 0);
    vt.advance(0.3);
    const auto sentBefore = e->sent.size();
    e->error("inworld: stream closed");
    vt.advance(0.3);
    if (c.after == After::moreAudioThenFinished) {
      e->audio(1.0, 1);  // arrives while the first second still plays: no gap
      e->finished();
    } else if (c.after == After::finished) {
      e->finished();
    }
    vt.advance(c.notBefore - 0.3);
    EXPECT_FALSE(p->hasEnded());
    vt.advance(c.endsBy - c.notBefore);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].endedBy, "error");
    EXPECT_NEAR(*ends[0].playedAudioSec, c.playedSec, 1e-9);
    EXPECT_EQ(ends[0].underruns, c.underruns);
    EXPECT_EQ(e->sent.size(), sentBefore) << "nothing new goes to an engine that failed";
    EXPECT_TRUE(fails.empty());
    EXPECT_EQ(states.back().error, "inworld: stream closed");
  }
}

TEST_F(PlayerTest, AMutedReadSilencesTheMixerAndGivesItBackAtTheEnd) {
  ReadOptions muted;
  muted.mute = true;
  auto p = make(muted);
  EXPECT_EQ(graph->engine().mainMixer().outputVolume(), 0.0f);
  p->stop("user");
  vt.drain();
  EXPECT_EQ(graph->engine().mainMixer().outputVolume(), 1.0f);

  // A muted read that no longer owns the graph leaves the new owner's volume alone.
  auto q = make(muted);
  int other = 0;
  graph->claim(&other);
  graph->engine().mainMixer().setOutputVolume(0.5f);
  q->stop("user");
  vt.drain();
  EXPECT_EQ(graph->engine().mainMixer().outputVolume(), 0.5f);
}

TEST_F(PlayerTest, EndingAReadLeavesAnEngineThatANewerReadTookOver) {
  auto a = make();
  auto b = make();  // same cached engine: the newer read is its sink now
  const int cancels = engine->cancels;
  a->stop("user");
  vt.drain();
  EXPECT_EQ(engine->cancels, cancels);
  EXPECT_EQ(engine->sink().get(), b.get());
  b->stop("user");
  vt.drain();
  EXPECT_EQ(engine->cancels, cancels + 1);
  EXPECT_EQ(engine->sink(), nullptr);
}

TEST_F(PlayerTest, QueriesFromThePlayerQueueItselfAreRefused) {
  auto p = make();
#ifdef NDEBUG
  bool refused = false;
  p->queue()->async([&] {
    try {
      (void)p->isPaused();
    } catch (const dispatch::DeadlockError&) {
      refused = true;
    }
  });
  vt.drain();
  EXPECT_TRUE(refused);
#else
  EXPECT_DEATH(
      {
        p->queue()->async([&] { (void)p->isPaused(); });
        vt.drain();
      },
      "isCurrent");
#endif
}

}  // namespace
}  // namespace orvak
