#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "app/account/account_client.h"
#include "app/audio/audio_graph.h"
#include "app/prefs.h"
#include "app/voice/definer.h"
#include "app/voice/spoken_answers.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/library/jsonl_research_store.h"
#include "speech/on_device_engine.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {
namespace {

std::uint64_t gT0 = 0;

double since() { return static_cast<double>(dispatch::monotonicNanos() - gT0) / 1e9; }

// The on-device voice, printing each sentence it is given and when.
class PrintingEngine final : public SpeechEngine {
 public:
  explicit PrintingEngine(std::shared_ptr<SpeechEngine> inner) : inner_(std::move(inner)) {}
  Vendor vendor() const override { return inner_->vendor(); }
  std::string label() const override { return inner_->label(); }
  std::string model() const override { return inner_->model(); }
  std::string voice() const override { return inner_->voice(); }
  double sampleRate() const override { return inner_->sampleRate(); }
  void prepare() override {
    inner_->setSink(sink());
    inner_->prepare();
  }
  void send(const std::string& text, int index, bool last) override {
    std::printf("+%.3f s  engine <- #%d%s \"%s\"\n", since(), index, last ? " (last)" : "", text.c_str());
    inner_->send(text, index, last);
  }
  void cancel() override {
    std::printf("+%.3f s  engine cancelled\n", since());
    inner_->cancel();
  }

 private:
  std::shared_ptr<SpeechEngine> inner_;
};

// A read that only says what is done to it.
class PrintingPlayer final : public VoicePlayer {
 public:
  std::optional<ReadContext> context;
  std::map<std::string, int> quotes;
  bool* finished = nullptr;

  bool hasEnded() const override { return false; }
  bool isPlaying() const override { return false; }
  float currentSpeed() const override { return 1; }
  std::optional<ReadMoment> commandPause(std::uint64_t) override { return std::nullopt; }
  void commandResume(std::optional<int> jumpTo) override {
    if (jumpTo) {
      std::printf("+%.3f s  after speech: the read resumes at sentence %d\n", since(), *jumpTo);
    } else {
      std::printf("+%.3f s  after speech: the read resumes where it paused\n", since());
    }
    *finished = true;
  }
  std::optional<ReadContext> askContext(const std::optional<ReadMoment>&) const override { return context; }
  std::optional<int> sentence(std::string_view matching) const override {
    const auto it = quotes.find(std::string(matching));
    return it == quotes.end() ? std::nullopt : std::optional(it->second);
  }
  std::optional<std::string> paragraph(int) const override { return std::nullopt; }
  void skipParagraph(int, bool) override {}
  std::optional<int> spokenFrom() const override { return 0; }
  void setOnPlaybackStarted(std::function<void()>) override {}
  void setOnPlaybackEnded(std::function<void()>) override {}
  void backPastStart() override {}
  ReadSource source() const override { return {"orvak-dev", context ? context->title : "", std::nullopt}; }
  std::string engineLabel() const override { return "On-device"; }
};

// Plays the script's pieces and final line on the global queue at their times.
class ScriptAsk final : public AccountClient {
 public:
  explicit ScriptAsk(json::Json script) : script_(std::move(script)) {}
  void refresh() override {}
  std::optional<std::uint64_t> lastRefresh() const override { return std::nullopt; }
  void handle(const std::string&) override {}
  account::Exchange askStream(const account::AskQuestion& q, std::function<void(const std::string&)> onText,
                              std::function<void(account::Result<account::AskReply>)> done) override {
    std::printf("+%.3f s  asked: %s \"%s\" (%zu characters of page%s)\n", since(), q.kind.c_str(), q.question.c_str(),
                q.text.size(), q.before ? ", before reading" : "");
    for (const auto& c : script_.value("chunks", json::Json::array())) {
      const std::string text = c.at("text").get<std::string>();
      dispatch::global().asyncAfter(c.value("at", 0.0), [onText, text] { onText(text); });
    }
    const double at = script_.contains("reply") ? script_["reply"].value("at", 0.0) : script_.value("failAt", 0.0);
    dispatch::global().asyncAfter(at, [script = script_, done] {
      if (script.contains("fail")) {
        const auto& f = script["fail"];
        if (f.is_number_integer()) {
          done(account::Fail::server(f.get<int>(), "scripted"));
        } else if (f == "signedOut") {
          done(account::Fail::signedOut());
        } else {
          done(account::PlatformFail{account::PlatformFail::Kind::transport, "scripted transport failure"});
        }
        return;
      }
      account::AskReply reply;
      const auto& r = script["reply"];
      reply.answer = r.value("answer", std::string());
      if (r.contains("actions")) reply.actions = r["actions"].get<std::vector<account::AskAction>>();
      if (r.contains("refused")) reply.refused = r["refused"].get<bool>();
      done(reply);
    });
    return {};
  }

 private:
  json::Json script_;
};

}  // namespace

// Streams a scripted answer through the spoken-answer path with a read double, printing what
// reaches the engine and when, the status texts and the step after speech.
int runAnswer(const Args& args) {
  std::optional<Options> opts;
  try {
    opts.emplace(args, std::initializer_list<std::string_view>{"--script"},
                 std::initializer_list<std::string_view>{"--before"}, 0);
    if (!opts->value("--script")) throw UsageError("--script");
  } catch (const UsageError&) {
    std::fprintf(stderr, "usage: orvak-dev answer --script CHUNKS.json [--before]\n");
    return 2;
  }
  json::Json script;
  try {
    std::ifstream in(*opts->value("--script"));
    std::stringstream ss;
    ss << in.rdbuf();
    script = json::parse(ss.str());
    if (!script.contains("reply") && !script.contains("fail")) throw std::runtime_error("needs \"reply\" or \"fail\"");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvak-dev answer: %s: %s\n", opts->value("--script")->c_str(), e.what());
    return 1;
  }
  const bool before = opts->flag("--before");
  const std::string kind = script.value("kind", std::string("ask"));
  const std::string question = script.value("question", std::string());
  const std::string pageText = script.value("text", std::string("A page about nothing in particular."));
  const std::string title = script.value("title", std::string("A page"));

  bool finished = false;
  auto player = std::make_shared<PrintingPlayer>();
  player->context = ReadContext{pageText, "", pageText, title};
  player->finished = &finished;
  if (const auto q = script.find("quotes"); q != script.end() && q->is_object()) {
    for (const auto& [quote, index] : q->items()) player->quotes[quote] = index.get<int>();
  }

  auto prefs = std::shared_ptr<Prefs>(&Prefs::shared(), [](Prefs*) {});
  JSONLResearchStore store(OrvakPaths::research());
  auto answers = SpokenAnswers::make(Definer::make());
  auto& c = answers->context;
  c.player = [&]() -> std::shared_ptr<VoicePlayer> { return before ? nullptr : player; };
  c.status = [](const std::string& s) { std::printf("+%.3f s  status: %s\n", since(), s.c_str()); };
  c.listenForReply = [&] {
    std::printf("+%.3f s  after speech: listen for the reply\n", since());
    finished = true;
  };
  c.onReadAt = [&](std::optional<std::string> q) {
    std::printf("+%.3f s  after speech: read the page from %s\n", since(),
                q ? ("\"" + *q + "\"").c_str() : "its start");
    finished = true;
  };
  c.onStop = [&] {
    std::printf("+%.3f s  after speech: stop reading\n", since());
    finished = true;
  };
  c.store = [&]() -> ResearchStore* { return &store; };
  c.makeAnswerEngine = [] {
    return std::make_shared<PrintingEngine>(OnDeviceEngine::make(Prefs::shared().onDeviceVoice()));
  };
  c.idlePage = [&](SpokenAnswers::IdlePageReply give) { give(SpokenAnswers::IdlePage{pageText, title}); };
  c.account = std::make_shared<ScriptAsk>(script);
  c.prefs = prefs;
  c.log = [](const std::string& l) { std::printf("+%.3f s  log: %s\n", since(), l.c_str()); };

  gT0 = dispatch::monotonicNanos();
  if (before) {
    answers->answerBefore(kind, question);
  } else {
    answers->answer(kind, question, ReadMoment{0, "", script.value("playing", 0), 0, 0});
  }
  const bool done = dispatch::mainloop::runUntil([&] { return finished; }, 120);
  AudioGraph::shared().forceRebuild();
  Log::flush();
  if (!done) {
    std::fprintf(stderr, "orvak-dev answer: nothing came after the answer within 120 s\n");
    return 1;
  }
  return 0;
}

}  // namespace orvak::dev
