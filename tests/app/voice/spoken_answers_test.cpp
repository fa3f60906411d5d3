#include "app/voice/spoken_answers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/audio/audio_graph.h"
#include "app/audio/earcon.h"
#include "app/prefs.h"
#include "core/base/dispatch.h"
#include "core/speech/speech_text.h"
#include "platform/defaults.h"
#include "platform/sim/capture_audio_device.h"
#include "tests/app/scripted_engine.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_home.h"

namespace orvak {
namespace {

using account::AskAction;
using account::AskReply;
using testing::ScriptedEngine;

class PlayerDouble final : public VoicePlayer {
 public:
  bool ended = false;
  std::optional<ReadContext> context = ReadContext{"The page. It goes on.", "It goes on.", "The page.", "A title"};
  std::map<std::string, int> quotes;  // quote -> sentence index
  std::vector<std::optional<int>> resumes;

  bool hasEnded() const override { return ended; }
  bool isPlaying() const override { return !ended; }
  float currentSpeed() const override { return 1; }
  std::optional<ReadMoment> commandPause(std::uint64_t) override { return std::nullopt; }
  void commandResume(std::optional<int> jumpTo) override { resumes.push_back(jumpTo); }
  std::optional<ReadContext> askContext(const std::optional<ReadMoment>&) const override { return context; }
  std::optional<int> sentence(std::string_view matching) const override {
    const auto it = quotes.find(std::string(matching));
    if (it == quotes.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::string> paragraph(int) const override { return std::nullopt; }
  void skipParagraph(int, bool) override {}
  std::optional<int> spokenFrom() const override { return 0; }
  void setOnPlaybackStarted(std::function<void()>) override {}
  void setOnPlaybackEnded(std::function<void()>) override {}
  void backPastStart() override {}
  ReadSource source() const override { return {"Browser", "A title", "https://example.org/a"}; }
  std::string engineLabel() const override { return "On-device"; }
};

class ScriptedAsk final : public AccountClient {
 public:
  std::vector<account::AskQuestion> asked;
  std::vector<std::function<void(const std::string&)>> pieces;
  std::vector<std::function<void(account::Result<AskReply>)>> dones;
  void refresh() override {}
  std::optional<std::uint64_t> lastRefresh() const override { return std::nullopt; }
  void handle(const std::string&) override {}
  account::Exchange askStream(const account::AskQuestion& q, std::function<void(const std::string&)> onText,
                              std::function<void(account::Result<AskReply>)> done) override {
    asked.push_back(q);
    pieces.push_back(std::move(onText));
    dones.push_back(std::move(done));
    return {};
  }
};

using test::MemoryStore;

AskAction::Input with(std::optional<std::string> quote, std::optional<std::string> text = {},
                      std::optional<std::int64_t> sentences = {}, std::optional<double> rate = {}) {
  AskAction::Input in;
  in.quote = std::move(quote);
  in.text = std::move(text);
  in.sentences = sentences;
  in.rate = rate;
  return in;
}

AskReply reply(std::string answer, std::vector<AskAction> actions = {}, std::optional<bool> refused = {}) {
  return {std::move(answer), actions.empty() ? std::nullopt : std::optional(std::move(actions)), refused};
}

struct AnswersFixture : ::testing::Test {
  AnswersFixture() {
    Earcon::enabled = true;
    graph = AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape), [](const std::string&) {});
    answers = SpokenAnswers::make(Definer::make(graph), graph);
    engine->autoSpeak = ScriptedEngine::Auto{0.5, 0.1};
    auto& c = answers->context;
    c.player = [this] { return attached; };
    c.status = [this](const std::string& s) { statuses.push_back(s); };
    c.listenForReply = [this] { ++listens; };
    c.onReadAt = [this](std::optional<std::string> q) { readAts.push_back(q); };
    c.onStop = [this] { ++stops; };
    c.store = [this]() -> ResearchStore* { return &store; };
    c.makeAnswerEngine = [this] { return engine; };
    c.account = ask;
    c.prefs = prefs;
    c.log = [this](const std::string& l) { log.push_back(l); };
  }
  void piece(std::size_t question, const std::string& text) {
    ask->pieces.at(question)(text);
    vt.drain();
  }
  void finish(std::size_t question, account::Result<AskReply> r) {
    ask->dones.at(question)(std::move(r));
    vt.drain();
  }
  std::vector<std::string> sentTexts() const {
    std::vector<std::string> out;
    for (const auto& s : engine->sent) out.push_back(s.text);
    return out;
  }
  bool sawStatus(const std::string& s) const {
    return std::find(statuses.begin(), statuses.end(), s) != statuses.end();
  }

  dispatch::VirtualTime vt;
  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  std::shared_ptr<AudioGraph> graph;
  std::shared_ptr<SpokenAnswers> answers;
  std::shared_ptr<ScriptedEngine> engine = std::make_shared<ScriptedEngine>(Vendor::onDevice, 22050);
  std::shared_ptr<ScriptedAsk> ask = std::make_shared<ScriptedAsk>();
  std::shared_ptr<PlayerDouble> player = std::make_shared<PlayerDouble>();
  std::shared_ptr<VoicePlayer> attached = player;
  std::shared_ptr<Prefs> prefs =
      std::make_shared<Prefs>(std::make_shared<platform::Defaults>(test::freshDir("prefs") / "defaults.json"));
  MemoryStore store;
  std::vector<std::string> statuses, log;
  std::vector<std::optional<std::string>> readAts;
  int listens = 0, stops = 0;
  ReadMoment moment{3, "It goes on.", 10, 1.0, 13};
};

TEST_F(AnswersFixture, SentencesGoOutAsTheNextOneBeginsAndTheAnswerEndsWithTheOffer) {
  answers->answer("ask", "what is this", moment);
  ASSERT_EQ(ask->asked.size(), 1u);
  EXPECT_EQ(ask->asked[0], (account::AskQuestion{"ask", "what is this", "The page. It goes on.", "It goes on.",
                                                 "The page.", "A title", false}));
  EXPECT_EQ(statuses.back(), "Thinking…");

  piece(0, "The first sentence. The sec");
  EXPECT_TRUE(engine->sent.empty());  // the first is held until the second is known
  piece(0, "ond one ");               // a piece ending in a space: the words must not run together
  piece(0, "follows. A third.");
  EXPECT_EQ(sentTexts(), (std::vector<std::string>{"The first sentence."}));
  EXPECT_FALSE(engine->sent[0].last);

  finish(0, reply("The whole answer."));
  // Only what streamed is spoken (the final answer is for the status line), then the offer.
  EXPECT_EQ(sentTexts(), (std::vector<std::string>{"The first sentence.", "The second one follows.", "A third.",
                                                   "Want me to keep reading?"}));
  EXPECT_TRUE(engine->sent.back().last);
  EXPECT_EQ(statuses.back(), "Answer: The whole answer.");
  EXPECT_EQ(listens, 0);
  vt.advance(5);
  EXPECT_EQ(listens, 1);  // after the answer was heard, not before
  EXPECT_TRUE(player->resumes.empty());
}

TEST_F(AnswersFixture, BeforeReadingTheWindowIsAskedAboutAndTheOfferIsToReadIt) {
  attached = nullptr;
  std::optional<SpokenAnswers::IdlePage> page = SpokenAnswers::IdlePage{"Window text here.", "Window"};
  answers->context.idlePage = [&](SpokenAnswers::IdlePageReply give) { give(page); };
  answers->answerBefore("summary", "");
  ASSERT_EQ(ask->asked.size(), 1u);
  EXPECT_TRUE(ask->asked[0].before);
  EXPECT_EQ(ask->asked[0].focus, "Window text here.");
  EXPECT_EQ(statuses.back(), "Summarizing…");
  piece(0, "It is short.");
  finish(0, reply("It is short."));
  EXPECT_EQ(sentTexts(), (std::vector<std::string>{"It is short.", "Want me to read it to you?"}));
  vt.advance(5);
  EXPECT_EQ(listens, 1);

  page->text.clear();
  answers->answerBefore("ask", "why");
  EXPECT_EQ(statuses.back(), "Couldn't read this window");
  EXPECT_EQ(ask->asked.size(), 1u);
}

TEST_F(AnswersFixture, ANewerQuestionSilencesTheOlderAnswer) {
  answers->answer("ask", "first", moment);
  piece(0, "Old one. Old two. Old three");
  answers->answer("ask", "second", moment);
  piece(0, " goes on. Old four. Old five.");  // late pieces of the first answer
  finish(0, reply("Old."));
  EXPECT_FALSE(sawStatus("Answer: Old."));
  piece(1, "New one. New two.");
  finish(1, reply("New."));
  vt.advance(10);
  EXPECT_EQ(listens, 1);
  const auto texts = sentTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Old two."), 0);
  EXPECT_EQ(texts.back(), "Want me to keep reading?");

  // A hold of the hotkey does the same to the answer under way.
  answers->answer("ask", "third", moment);
  answers->silence();
  piece(2, "Gone one. Gone two. Gone three.");
  finish(2, reply("Gone."));
  vt.advance(10);
  EXPECT_EQ(listens, 1);
  EXPECT_FALSE(sawStatus("Answer: Gone."));
}

TEST_F(AnswersFixture, WhenTheReadEndsTheAnswerIsDroppedButWhatIsQueuedPlaysOut) {
  answers->answer("ask", "q", moment);
  piece(0, "One here. Two here. Three here. Four");
  ASSERT_EQ(engine->sent.size(), 2u);
  player->ended = true;
  piece(0, " here. Five here.");
  finish(0, reply("Answer."));
  EXPECT_EQ(engine->sent.size(), 2u);
  vt.advance(5);
  EXPECT_EQ(listens, 0);
  EXPECT_TRUE(player->resumes.empty());
  const auto left = tape->channel(0);
  EXPECT_GT(std::count_if(left.begin(), left.end(), [](float s) { return std::abs(s - 0.25f) < 1e-3f; }), 20000);
}

TEST_F(AnswersFixture, ARefusalIsSpokenFromItsBeginningInPlaceOfWhatStreamed) {
  answers->answer("ask", "q", moment);
  piece(0, "Streamed one. Streamed two. Streamed");
  ASSERT_EQ(engine->sent.size(), 1u);
  const int preparesBefore = engine->prepares;
  engine->sent.clear();
  finish(0, reply("I can't help with that.", {}, true));
  EXPECT_EQ(engine->prepares, preparesBefore + 1);  // a new run
  ASSERT_FALSE(engine->sent.empty());
  EXPECT_EQ(engine->sent[0].index, 0);
  EXPECT_EQ(sentTexts(), (std::vector<std::string>{"I can't help with that.", "Want me to keep reading?"}));
}

TEST_F(AnswersFixture, ActionsDecideWhatHappensAfterTheAnswer) {
  struct Case {
    const char* name;
    std::vector<AskAction> actions;
    std::vector<std::optional<int>> resumes;  // of the player once the answer was heard
    int listens;
    const char* tail;  // the last sentence sent
  };
  const auto act = [](std::string name, AskAction::Input in = {}) { return AskAction{std::move(name), std::move(in)}; };
  const std::vector<Case> cases{
      {"skip two", {act("skip", with({}, {}, 2))}, {12}, 0, "Answer."},
      {"skip back past the start", {act("skip", with({}, {}, -20))}, {0}, 0, "Answer."},
      {"skip a huge count", {act("skip", with({}, {}, INT64_MAX))}, {INT_MAX}, 0, "Answer."},
      {"keep reading after skip", {act("skip", with({}, {}, 2)), act("keep_reading")}, {12}, 0, "Answer."},
      {"read from a quote found", {act("read_from", with("found it"))}, {7}, 0, "Answer."},
      {"read from a quote not found", {act("read_from", with("nowhere"))}, {}, 1, "Want me to keep reading?"},
      {"an unknown action resumes", {act("dance")}, {std::nullopt}, 0, "Answer."},
  };
  player->quotes["found it"] = 7;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto& c = cases[i];
    player->resumes.clear();
    listens = 0;
    engine->sent.clear();
    answers->answer("ask", "q", moment);
    piece(i, "Answer.");
    finish(i, reply("Answer.", c.actions));
    vt.advance(5);
    EXPECT_EQ(player->resumes, c.resumes) << c.name;
    EXPECT_EQ(listens, c.listens) << c.name;
    ASSERT_FALSE(engine->sent.empty()) << c.name;
    EXPECT_EQ(engine->sent.back().text, c.tail) << c.name;
  }

  // Without a read: a quote starts one there, keep_reading starts one from the top.
  attached = nullptr;
  answers->context.idlePage = [](SpokenAnswers::IdlePageReply give) { give(SpokenAnswers::IdlePage{"Text.", "T"}); };
  answers->answerBefore("ask", "q");
  finish(cases.size(), reply("Answer.", {act("read_from", with("a quote"))}));
  answers->answerBefore("ask", "q");
  finish(cases.size() + 1, reply("Answer.", {act("keep_reading")}));
  answers->answerBefore("ask", "q");
  finish(cases.size() + 2, reply("Answer.", {act("stop_reading")}));
  vt.advance(10);
  EXPECT_EQ(readAts, (std::vector<std::optional<std::string>>{"a quote", std::nullopt}));
  EXPECT_EQ(stops, 1);
}

TEST(AnswerSpeed, SnapsToTheLadderWithTiesGoingDown) {
  const std::vector<std::pair<std::optional<double>, float>> cases{
      {1.1, 1.0f}, {1.125, 1.0f}, {3.0, 2.0f}, {std::nullopt, 1.0f}, {0.1, 0.8f}, {1.4, 1.5f}, {1.875, 1.75f}};
  for (const auto& [rate, speed] : cases) EXPECT_EQ(SpokenAnswers::snappedSpeed(rate), speed) << rate.value_or(-1);
}

TEST_F(AnswersFixture, SetSpeedIsStoredInTheSettings) {
  answers->answer("ask", "q", moment);
  finish(0, reply("Faster now.", {AskAction{"set_speed", with({}, {}, {}, 1.6)}}));
  EXPECT_FLOAT_EQ(prefs->speed(), 1.5f);
}

TEST_F(AnswersFixture, AFailedQuestionSpeaksItsExplanationThenTheReadResumes) {
  struct Case {
    account::Result<AskReply> result;
    const char* said;
  };
  const std::vector<Case> cases{
      {account::PlatformFail{account::PlatformFail::Kind::transport, "no route"},
       "I can't reach Orvak right now. Check your connection."},
      {account::Fail::signedOut(), "Sign in to Orvak to ask about what you're reading."},
      {account::Fail::server(429, "slow down"), "Lots of questions right now. Ask me again in a moment."},
      {reply(""), "I couldn't answer that just now."},
      {reply("", {}, true), "I couldn't answer that just now."},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    player->resumes.clear();
    engine->sent.clear();
    answers->answer("ask", "q", moment);
    finish(i, cases[i].result);
    EXPECT_EQ(statuses.back(), cases[i].said);
    std::vector<std::string> said;
    for (const auto& sentence : Definer::sentences(cases[i].said)) said.push_back(SpeechText::spoken(sentence, {}));
    EXPECT_EQ(sentTexts(), said);
    EXPECT_TRUE(player->resumes.empty());
    vt.advance(5);
    EXPECT_EQ(player->resumes, (std::vector<std::optional<int>>{std::nullopt})) << cases[i].said;
  }
  EXPECT_EQ(listens, 0);
}

TEST_F(AnswersFixture, SavingAHighlightKeepsTheQuoteAndItsCueDoesNotCutTheAnswer) {
  engine->autoSpeak = ScriptedEngine::Auto{2.0, 0.1};  // sentences of two seconds
  player->quotes["the quote"] = 5;
  answers->answer("ask", "keep this", moment);
  piece(0, "Saved one. Saved two. Saved three. Saved");
  vt.advance(0.4);  // the first sentence is playing when the answer completes and the cue sounds
  finish(0, reply("Saved.", {AskAction{"highlight", with("the quote")}}));
  ASSERT_EQ(store.items.size(), 1u);
  const auto& item = store.items[0];
  EXPECT_EQ(item.kind, ResearchItem::Kind::highlight);
  EXPECT_EQ(item.quote, "the quote");
  EXPECT_EQ(item.sentenceIndex, 5 - moment.sentence + moment.docSentence);
  EXPECT_EQ(item.app, "Browser");
  EXPECT_EQ(item.transcript, "keep this");
  EXPECT_TRUE(sawStatus("Highlighted ✓"));
  // Four sentences of two seconds from 0.2 s on: the read resumes only once all were heard.
  vt.advance(7.4);
  EXPECT_TRUE(player->resumes.empty());
  vt.advance(1.5);
  EXPECT_EQ(player->resumes.size(), 1u);

  store.refuse = true;
  answers->answer("ask", "note this", moment);
  finish(1, reply("Noted.", {AskAction{"note", with({}, "a thought")}}));
  EXPECT_TRUE(sawStatus("Couldn't save — see log"));
  EXPECT_FALSE(sawStatus("Note saved ✓"));
  EXPECT_EQ(std::count(log.begin(), log.end(), "research save failed: disk full"), 1);
  vt.advance(5);
  EXPECT_EQ(player->resumes.size(), 2u);  // the answer still played
}

}  // namespace
}  // namespace orvak
