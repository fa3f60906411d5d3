#include "app/voice/voice_controller.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/audio/audio_graph.h"
#include "app/prefs.h"
#include "app/voice/app_voice.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/page/privacy.h"
#include "platform/defaults.h"
#include "platform/dictionary.h"
#include "platform/sim/capture_audio_device.h"
#include "platform/sim/scripted_recognizer.h"
#include "platform/sim/sim_audio_input.h"
#include "tests/app/scripted_engine.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_home.h"

namespace orvak {
namespace {

class ReadDouble final : public VoicePlayer {
 public:
  bool ended = false;
  std::optional<ReadMoment> moment = ReadMoment{4, "The fifth sentence.", 4, 1.5, 14};
  std::optional<int> from = 0;
  float speed = 1;
  int pauses = 0;
  int backPast = 0;
  std::vector<std::optional<int>> resumes;
  std::vector<std::pair<int, bool>> paragraphMoves;
  std::function<void()> started, endedHook;

  bool hasEnded() const override { return ended; }
  bool isPlaying() const override { return !ended; }
  float currentSpeed() const override { return speed; }
  std::optional<ReadMoment> commandPause(std::uint64_t) override {
    ++pauses;
    return moment;
  }
  void commandResume(std::optional<int> jumpTo) override { resumes.push_back(jumpTo); }
  std::optional<ReadContext> askContext(const std::optional<ReadMoment>&) const override {
    return ReadContext{"Text.", "", "Text.", "Title"};
  }
  std::optional<int> sentence(std::string_view) const override { return std::nullopt; }
  std::optional<std::string> paragraph(int) const override { return "The whole paragraph."; }
  void skipParagraph(int direction, bool section) override { paragraphMoves.emplace_back(direction, section); }
  std::optional<int> spokenFrom() const override { return from; }
  void setOnPlaybackStarted(std::function<void()> f) override { started = std::move(f); }
  void setOnPlaybackEnded(std::function<void()> f) override { endedHook = std::move(f); }
  void backPastStart() override { ++backPast; }
  ReadSource source() const override { return {"Browser", "A page", "https://example.org/"}; }
  std::string engineLabel() const override { return "On-device"; }
};

using test::MemoryStore;

class NoDictionary final : public platform::Dictionary {
 public:
  std::optional<std::string> entry(std::string_view) override { return std::nullopt; }
};

struct VoiceFixture : ::testing::Test {
  explicit VoiceFixture(std::vector<platform::RecognitionScript> scripts = {}) {
    Privacy::setKeepTextInLogs(true);
    graph = AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape), [](const std::string&) {});
    recognizer = std::make_shared<platform::ScriptedRecognizer>(std::move(scripts));
    VoiceController::Wiring w;
    auto in = std::make_unique<platform::SimAudioInput>(48000);
    mic = in.get();
    w.listener = Listener::make({std::move(in), nullptr, {}, [](const std::string&) {}});
    w.transcriber = Transcriber::make([this](const std::vector<std::string>&) { return recognizer; });
    w.store = [this]() -> ResearchStore* { return &store; };
    w.prefs = prefs;
    w.graph = graph;
    w.dictionary = std::make_shared<NoDictionary>();
    w.othersRecording = [this] { return others; };
    w.appName = [](const std::string& id) { return id == "zoom" ? std::string("Zoom") : std::string("another app"); };
    w.outputDeviceName = [] { return std::string("Speakers"); };
    w.voiceLog = voiceLog;
    w.log = [this](const std::string& l) { log.push_back(l); };
    voice = VoiceController::make(std::move(w));
    voice->onStatus = [this](const std::string& s) { statuses.push_back(s); };
    voice->answers().context.makeAnswerEngine = [this] { return engine; };
    voice->setup([](std::optional<std::string>) {});
    vt.drain();
  }
  ~VoiceFixture() override { Privacy::setKeepTextInLogs(false); }

  std::vector<json::Json> records() const {
    std::vector<json::Json> out;
    std::ifstream in(voiceLog);
    for (std::string line; std::getline(in, line);) out.push_back(json::parse(line));
    return out;
  }
  void say(const std::string& text, bool idle = false) {
    voice->simulate(text, idle);
    vt.advance(0.01);
  }
  void attach() {
    voice->attach(read);
    vt.drain();
  }

  dispatch::VirtualTime vt;
  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  std::shared_ptr<AudioGraph> graph;
  std::shared_ptr<platform::ScriptedRecognizer> recognizer;
  platform::SimAudioInput* mic = nullptr;
  std::shared_ptr<Prefs> prefs =
      std::make_shared<Prefs>(std::make_shared<platform::Defaults>(test::freshDir("prefs") / "defaults.json"));
  std::filesystem::path voiceLog = test::freshDir("logs") / "voice.jsonl";
  MemoryStore store;
  std::vector<std::string> others, statuses, log;
  std::shared_ptr<testing::ScriptedEngine> engine = std::make_shared<testing::ScriptedEngine>();
  std::shared_ptr<ReadDouble> read = std::make_shared<ReadDouble>();
  std::shared_ptr<VoiceController> voice;
};

struct HeldFixture : VoiceFixture {
  HeldFixture() : VoiceFixture({{{0.0, "pause", true}}, {{0.0, "pause", true}}, {{0.0, "pause", true}}}) {}
};

TEST_F(HeldFixture, EachWayOfSpeakingCarriesItsMode) {
  attach();
  voice->holdDown(false, false);
  vt.advance(0.5);
  voice->holdUp(false);
  vt.advance(0.5);
  voice->holdDown(true, false);
  vt.advance(0.5);
  voice->holdUp(false);
  vt.advance(0.5);
  voice->inject("/nonexistent.wav", "L", -20);
  vt.advance(3.9);
  voice->holdDown(false, false);  // 3.9 s after the injection
  vt.advance(0.3);
  voice->holdUp(false);
  vt.advance(0.5);
  voice->inject("/nonexistent.wav", "M", -20);
  vt.advance(4.0);
  voice->holdDown(false, false);  // 4 s after it: a plain hold
  vt.advance(0.3);
  voice->holdUp(false);
  vt.advance(0.5);
  say("pause");
  vt.advance(0.5);
  std::vector<std::string> modes;
  for (const auto& r : records()) modes.push_back(r["mode"].get<std::string>());
  EXPECT_EQ(modes, (std::vector<std::string>{"hold", "idle", "hold+test:L", "hold", "hold+sim"}));
  EXPECT_EQ(records()[0]["command"], "pause");
  EXPECT_EQ(records()[1]["command"], "idle:pause");
  EXPECT_EQ(std::count(log.begin(), log.end(), "inject failed: /nonexistent.wav"), 2);

  // The detector's onset inside the window of an injection is a test of that recording.
  voice->inject("/nonexistent.wav", "D", -20);
  vt.advance(1);
  voice->listenForReply();  // any onset not held; this one opens a session
  vt.advance(5);
  EXPECT_EQ(records().back()["mode"], "test:D");
}

TEST_F(HeldFixture, AHoldIsRefusedWhileAnotherProgramRecordsAndItsReleaseDoesNothing) {
  attach();
  others = {"zoom"};
  voice->holdDown(false, false);
  vt.advance(0.5);
  voice->holdUp(false);
  vt.advance(1);
  EXPECT_EQ(statuses, (std::vector<std::string>{"Zoom is using the mic, so Orvak isn't listening"}));
  EXPECT_TRUE(records().empty());
  EXPECT_EQ(read->pauses, 0);
}

TEST_F(HeldFixture, OneUtteranceAtATimeAndOnlyWithAReader) {
  attach();
  voice->holdDown(false, false);
  vt.advance(0.2);
  voice->holdDown(false, false);  // still held: ignored
  vt.advance(0.2);
  voice->holdUp(false);
  vt.advance(0.5);
  EXPECT_EQ(records().size(), 1u);
  EXPECT_EQ(read->pauses, 1);

  // The detector hears speech after the read ended: one record, nothing paused.
  read->ended = true;
  voice->handle(Listener::Event::onset(dispatch::monotonicNanos(), -30, -60));
  EXPECT_EQ(records().size(), 2u);
  EXPECT_EQ(records().back()["outcome"], "noReader");
  EXPECT_EQ(read->pauses, 1);
}

TEST_F(HeldFixture, AnIdleHoldNeverTouchesAReadAndKeepsTheGraphForThirtySeconds) {
  voice->holdDown(true, false);
  vt.advance(0.3);
  voice->holdUp(false);
  vt.advance(0.5);
  EXPECT_EQ(read->pauses, 0);
  EXPECT_TRUE(read->resumes.empty());
  EXPECT_EQ(records().at(0)["outcome"], "pending");  // the idle path keeps it
  vt.advance(28);
  EXPECT_TRUE(graph->engine().isRunning());
  vt.advance(2);
  EXPECT_FALSE(graph->engine().isRunning());
}

TEST_F(HeldFixture, CancelledTooShortAndEndedUtterancesResumeOrVanish) {
  attach();
  voice->holdDown(false, false);
  vt.advance(0.3);
  voice->holdUp(true);
  vt.advance(0.5);
  EXPECT_EQ(records().back()["outcome"], "cancelled");
  EXPECT_EQ(read->resumes, (std::vector<std::optional<int>>{std::nullopt}));
  EXPECT_FALSE(records().back().contains("transcript"));

  voice->holdDown(false, false);
  vt.advance(0.05);
  voice->handle(Listener::Event::tooShort(dispatch::monotonicNanos(), 50));
  EXPECT_EQ(records().back()["outcome"], "blip");
  EXPECT_EQ(read->resumes.size(), 2u);
  vt.drain();
  EXPECT_EQ(statuses.back(), "");

  // The read ends while the user still speaks: the utterance goes without a record.
  voice->holdDown(false, false);
  vt.advance(0.2);
  read->endedHook();
  vt.drain();
  voice->holdUp(false);
  vt.advance(1);
  EXPECT_EQ(records().size(), 2u);
}

TEST(VoiceInterpret, TheModeDecidesHowLiberallySpeechIsAQuestion) {
  struct Case {
    VoiceCommand parsed;
    const char* transcript;
    VoiceController::Mode mode;
    VoiceCommand expected;
  };
  using K = VoiceCommand::Kind;
  using M = VoiceController::Mode;
  const std::vector<Case> cases{
      {VoiceCommand::ask("what does this mean"), "what does this mean", M::vad,
       VoiceCommand::ask("what does this mean")},
      {VoiceCommand::ask("what is the weather"), "what is the weather", M::vad, VoiceCommand(K::unrecognized)},
      {VoiceCommand(K::unrecognized), "purple monkey dishwasher", M::hold,
       VoiceCommand::ask("purple monkey dishwasher")},
      {VoiceCommand(K::unrecognized), "purple monkey", M::hold, VoiceCommand(K::unrecognized)},
      {VoiceCommand(K::unrecognized), "purple monkey dishwasher", M::vad, VoiceCommand(K::unrecognized)},
      {VoiceCommand(K::unrecognized), " tell the story now ", M::reply, VoiceCommand::ask("tell the story now")},
      {VoiceCommand::ask("what is the weather"), "what is the weather", M::idle,
       VoiceCommand::ask("what is the weather")},
      {VoiceCommand(K::unrecognized), "purple monkey dishwasher", M::idleReply,
       VoiceCommand::ask("purple monkey dishwasher")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VoiceController::interpret(c.parsed, c.transcript, c.mode, true), c.expected)
        << c.transcript << " " << VoiceController::modeName(c.mode);
  }
}

TEST(VoiceSpeed, StepsAlongTheLadder) {
  const std::vector<std::tuple<float, bool, float>> cases{
      {1.0f, true, 1.25f},  {1.1f, true, 1.25f},  {2.0f, true, 2.0f}, {0.8f, false, 0.8f},
      {1.25f, false, 1.0f}, {1.3f, false, 1.25f}, {2.5f, false, 2.0f}};
  for (const auto& [from, faster, to] : cases) EXPECT_EQ(VoiceController::speedStep(from, faster), to) << from;
}

struct CommandFixture : VoiceFixture {};

TEST_F(CommandFixture, EachCommandShowsItsStatusAndResumesWhereItSays) {
  struct Case {
    const char* said;
    ReadMoment moment;
    std::optional<int> from;
    std::string status;
    std::vector<std::optional<int>> resumes;
    int backPast;
  };
  const std::vector<Case> cases{
      {"repeat that", {4, "s", 4, 1.5, 4}, 0, "Again", {3}, 0},
      {"repeat that", {4, "s", 4, 2.5, 4}, 0, "Again", {4}, 0},
      {"go back", {0, "s", 0, 1.0, 0}, 0, "Going back", {0}, 0},
      {"go back", {0, "s", 0, 1.0, 0}, 120, "Going back", {}, 1},  // the read began later in the page
      {"skip ahead", {4, "s", 4, 0.5, 4}, 0, "Skipping ahead", {5}, 0},
      {"pause", {4, "s", 4, 0.5, 4}, 0, "Paused", {}, 0},
      {"next paragraph", {4, "s", 4, 0.5, 4}, 0, "Next paragraph", {std::nullopt}, 0},
      {"keep going", {4, "s", 4, 0.5, 4}, 0, "Resuming", {std::nullopt}, 0},
      {"banana", {4, "s", 4, 0.5, 4}, 0, "Didn't catch that: “banana”", {std::nullopt}, 0},
      {"faster", {4, "s", 4, 0.5, 4}, 0, "Speed 1.25×", {std::nullopt}, 0},
  };
  attach();
  for (const auto& c : cases) {
    read->moment = c.moment;
    read->from = c.from;
    read->resumes.clear();
    read->backPast = 0;
    say(c.said);
    vt.drain();
    EXPECT_EQ(statuses.back(), c.status) << c.said;
    EXPECT_EQ(read->resumes, c.resumes) << c.said;
    EXPECT_EQ(read->backPast, c.backPast) << c.said;
    EXPECT_EQ(records().back()["outcome"], "handled") << c.said;
  }
  EXPECT_EQ(read->paragraphMoves, (std::vector<std::pair<int, bool>>{{1, false}}));
  EXPECT_FLOAT_EQ(prefs->speed(), 1.25f);
  read->speed = 2.0f;
  say("faster");
  vt.drain();
  EXPECT_EQ(statuses.back(), "That's the fastest");
}

TEST_F(CommandFixture, HighlightsAndNotesGoToTheLibraryOrSayWhyNot) {
  attach();
  read->moment.reset();
  say("highlight that");
  vt.drain();
  ASSERT_EQ(store.items.size(), 1u);
  EXPECT_EQ(store.items[0].quote, "");
  EXPECT_EQ(store.items[0].sentenceIndex, std::nullopt);
  EXPECT_EQ(store.items[0].app, "Browser");
  EXPECT_EQ(statuses.back(), "Highlighted ✓");

  read->moment = ReadMoment{2, "Third one.", 2, 0.4, 12};
  say("save a note: buy milk");
  vt.drain();
  ASSERT_EQ(store.items.size(), 2u);
  EXPECT_EQ(store.items[1].note, "Buy milk");
  EXPECT_EQ(store.items[1].sentenceIndex, 12);
  EXPECT_EQ(records().back()["noteText"], "Buy milk");

  store.refuse = true;
  say("highlight that");
  vt.drain();
  EXPECT_EQ(statuses.back(), "Couldn't save — see log");
  EXPECT_EQ(records().back()["outcome"], "handled");

  say("");
  vt.drain();
  EXPECT_EQ(records().back()["outcome"], "falseTrigger");
  EXPECT_EQ(statuses.back(), "");
  EXPECT_EQ(read->resumes.back(), std::nullopt);
}

TEST_F(CommandFixture, WhileIdleANoteAsksForAReadFirstNamingTheKey) {
  prefs->setHotkeyCode(61);  // Right Alt
  say("save a note: later", true);
  vt.drain();
  EXPECT_EQ(statuses.back(), "Double-tap Alt to start reading first");
  EXPECT_TRUE(store.items.empty());
  EXPECT_EQ(records().back()["command"], "idle:note");
  for (const auto& [code, glyph] : std::vector<std::pair<std::uint16_t, std::string>>{
           {60, "⇧"}, {54, "❖"}, {61, "Alt"}, {59, "Ctrl"}, {62, "Ctrl"}, {0, "⇧"}, {99, "⇧"}}) {
    EXPECT_EQ(VoiceController::glyph(code), glyph) << code;
  }
}

struct ReplyFixture : VoiceFixture {
  ReplyFixture() : VoiceFixture({{}}) {}
};

TEST_F(ReplyFixture, SilenceAfterTheOfferEndsInTheHintAndAPendingRecord) {
  attach();
  voice->listenForReply();
  vt.drain();
  EXPECT_EQ(statuses.back(), "Keep reading?");
  vt.advance(4.4);
  EXPECT_TRUE(records().empty());
  vt.advance(0.5);
  ASSERT_EQ(records().size(), 1u);
  EXPECT_EQ(records()[0]["command"], "reply:empty");
  EXPECT_EQ(records()[0]["outcome"], "pending");
  EXPECT_EQ(statuses.back(), "Paused · press play, or hold ⇧ to ask");
  EXPECT_TRUE(read->resumes.empty());
}

TEST_F(ReplyFixture, WithNothingReadingTheOfferIsReadItAndItsReplyIsTakenAsSaidBetweenReads) {
  voice->listenForReply();
  vt.drain();
  EXPECT_EQ(statuses.back(), "Read it?");
  vt.advance(5);
  ASSERT_EQ(records().size(), 1u);
  EXPECT_EQ(records()[0]["mode"], "idleReply");
  EXPECT_EQ(records()[0]["command"], "idle:empty");
}

TEST_F(ReplyFixture, AReadEndingDuringTheOfferLeavesTheDetectorListening) {
  attach();
  voice->listenForReply();
  vt.drain();
  ASSERT_EQ(statuses.back(), "Keep reading?");
  read->ended = true;
  read->endedHook();  // the read is stopped while the reply is awaited
  vt.drain();
  EXPECT_TRUE(records().empty());

  // Speech heard by the always-on detector afterwards still opens an utterance (no reader
  // now, so it is only recorded).
  auto& listener = voice->listener();
  listener.setVadEnabled(true);
  listener.setArmed(true);
  listener.queue().async([&listener] {
    for (int i = 0; i < 10; ++i) listener.step(-20, dispatch::monotonicNanos() + i * 10'000'000ull);
  });
  vt.drain();
  ASSERT_EQ(records().size(), 1u);
  EXPECT_EQ(records()[0]["mode"], "vad");
  EXPECT_EQ(records()[0]["outcome"], "noReader");
}

TEST(VoiceRecords, TextStaysOutUnlessAllowedAndMissingFiguresShowAsDashes) {
  VoiceTiming r("2026-01-01T00:00:00.000Z", "hold", "On-device", "Speakers", false);
  r.transcript = "secret words";
  r.command = "note";
  EXPECT_EQ(VoiceController::summary(r, false),
            "voice pending hold → note · pause – ms (true onset –) · stt – ms · end→resume – ms");
  EXPECT_NE(VoiceController::summary(r, true).find(" “secret words” → "), std::string::npos);
}

TEST_F(CommandFixture, WithoutTextInLogsNoTranscriptNoteOrQuoteIsWritten) {
  Privacy::setKeepTextInLogs(false);
  attach();
  say("save a note: private thought");
  vt.drain();
  const auto r = records().back();
  EXPECT_FALSE(r.contains("transcript"));
  EXPECT_FALSE(r.contains("noteText"));
  EXPECT_FALSE(r.contains("quote"));
  EXPECT_EQ(r["command"], "note");
  for (const auto& l : log) EXPECT_EQ(l.find("private"), std::string::npos) << l;
}

}  // namespace
}  // namespace orvak

namespace orvak {
namespace {

platform::RecognitionScript talkingOn() {
  platform::RecognitionScript s;
  for (int i = 1; i <= 30; ++i) s.push_back({0.5 * i, "and then word " + std::to_string(i), false});
  return s;
}

// The first script is heard by the recogniser's warm-up when it is prepared.
struct ReplyWordsFixture : VoiceFixture {
  ReplyWordsFixture() : VoiceFixture({{}, {{0.5, "resume", false}, {0.6, "resume", true}}, talkingOn()}) {}
};

TEST_F(ReplyWordsFixture, AResumeWordEndsTheReplySoonAndTalkingOnEndsItAtTwelveSeconds) {
  attach();
  mic->play(std::vector<float>(48000 * 20, 0.0f));  // a quiet room: the recogniser hears time pass
  voice->listenForReply();
  vt.advance(0.7);
  EXPECT_TRUE(records().empty());  // the word is there, not settled yet
  vt.advance(0.5);
  ASSERT_EQ(records().size(), 1u);
  EXPECT_EQ(records()[0]["command"], "resume");
  EXPECT_EQ(records()[0]["mode"], "reply");
  EXPECT_EQ(read->resumes, (std::vector<std::optional<int>>{std::nullopt}));

  voice->listenForReply();
  vt.advance(11.5);
  EXPECT_EQ(records().size(), 1u);
  vt.advance(1);
  ASSERT_EQ(records().size(), 2u);
  EXPECT_GE(records()[1]["utteranceMs"].get<double>(), 12000);
}

}  // namespace
}  // namespace orvak

namespace orvak {
namespace {

TEST_F(CommandFixture, TheSeamReachesCallbacksSetAfterItWasMade) {
  auto seam = makeVoiceCommands(voice);
  std::vector<std::string> seen;
  seam->onStatus = [&](const std::string& s) { seen.push_back("status " + s); };
  seam->onStop = [&] { seen.push_back("stop"); };
  seam->onReadAt = [&](const std::optional<std::string>& quote) {
    seen.push_back(quote ? "read at \"" + *quote + "\"" : "read without a quote");
  };
  seam->attach(nullptr);
  EXPECT_TRUE(seam->ready());
  seam->simulate("keep going", true);  // nothing reading: start a read
  vt.advance(0.1);
  voice->attach(read);
  seam->simulate("stop", false);
  vt.advance(0.1);
  EXPECT_EQ(seen, (std::vector<std::string>{"status Listening…", "read without a quote", "status Listening…", "stop"}));
}

}  // namespace
}  // namespace orvak
