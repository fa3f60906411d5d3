#include "app/voice/app_voice.h"

#include "app/library/notifications.h"
#include "platform/audio_input.h"

namespace orvak {
namespace {

class AppVoice final : public VoiceCommands, public std::enable_shared_from_this<AppVoice> {
 public:
  explicit AppVoice(std::shared_ptr<VoiceController> c) : c_(std::move(c)) {}

  void wire() {
    std::weak_ptr<AppVoice> weak = weak_from_this();
    const auto with = [weak](auto f) {
      return [weak, f](auto&&... args) {
        if (auto self = weak.lock()) f(*self, std::forward<decltype(args)>(args)...);
      };
    };
    c_->onStatus = with([](AppVoice& v, const std::string& text) {
      if (v.onStatus) v.onStatus(text);
    });
    c_->onStop = with([](AppVoice& v) {
      if (v.onStop) v.onStop();
    });
    c_->onStartOver = with([](AppVoice& v) {
      if (v.onStartOver) v.onStartOver();
    });
    c_->onReadFromHere = with([](AppVoice& v) {
      if (v.onReadFromHere) v.onReadFromHere();
    });
    c_->libraryAsk = with([](AppVoice& v, const std::string& question) {
      if (v.libraryAsk) v.libraryAsk(question);
    });
    c_->onWriteDoc = with([](AppVoice& v, const std::string& topic, std::optional<ReadMoment> at) {
      if (v.onWriteDoc) v.onWriteDoc(topic, at);
    });
    c_->onReadAt = with([](AppVoice& v, std::optional<std::string> quote) {
      if (v.onReadAt) v.onReadAt(quote);
    });
    auto& ctx = c_->answers().context;
    ctx.makeAnswerEngine = [weak]() -> std::shared_ptr<SpeechEngine> {
      auto self = weak.lock();
      return self && self->makeAnswerEngine ? self->makeAnswerEngine() : nullptr;
    };
    ctx.idlePage = [weak](SpokenAnswers::IdlePageReply reply) {
      auto self = weak.lock();
      if (!self || !self->idlePage) return reply(std::nullopt);
      self->idlePage([reply](std::optional<Page> page) {
        if (!page) return reply(std::nullopt);
        reply(SpokenAnswers::IdlePage{page->text, page->title});
      });
    };
  }

  bool ready() const override { return c_->ready(); }
  void setup(std::function<void(std::optional<std::string>)> done) override { c_->setup(std::move(done)); }
  void setAlwaysOn(bool on) override { c_->setAlwaysOn(on); }
  void attach(const std::shared_ptr<Player>& player) override { c_->attach(player); }
  void holdDown(bool idle, bool library) override { c_->holdDown(idle, library); }
  void holdUp(bool cancelled) override { c_->holdUp(cancelled); }
  void reconnect() override { c_->listener().reconnect(); }
  void simulate(const std::string& text, bool idle) override { c_->simulate(text, idle); }
  void inject(const std::string& file, const std::string& label, double peakDb) override {
    c_->inject(file, label, static_cast<float>(peakDb));
  }
  double prepareMs() const override { return c_->transcriber().prepareMs().value_or(-1); }
  bool echoCancellation() const override { return c_->listener().voiceProcessing(); }

 private:
  std::shared_ptr<VoiceController> c_;
};

}  // namespace

std::shared_ptr<VoiceCommands> makeVoiceCommands(std::shared_ptr<VoiceController> controller) {
  auto voice = std::make_shared<AppVoice>(std::move(controller));
  voice->wire();
  return voice;
}

std::shared_ptr<VoiceCommands> makeAppVoice(const VoiceCommandParts& parts, std::unique_ptr<platform::AudioInput> input) {
  VoiceController::Wiring w;
  w.listener = Listener::make({input ? std::move(input) : platform::makePulseAudioInput("Orvak"), parts.graph, {}, {}});
  w.transcriber = Transcriber::make();
  w.store = parts.store;
  w.prefs = parts.prefs;
  w.graph = parts.graph;
  auto controller = VoiceController::make(std::move(w));
  controller->answers().context.account = parts.account;
  controller->onSaved = [center = parts.notifications] {
    if (center) center->post(std::string(notifications::orvakNotesChanged));
  };
  return makeVoiceCommands(std::move(controller));
}

}  // namespace orvak
