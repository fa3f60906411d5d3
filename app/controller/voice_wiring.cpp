#include "app/controller/voice_wiring.h"

#include "core/base/dispatch.h"
#include "core/base/log.h"

namespace orvak {

std::shared_ptr<VoiceWiring> VoiceWiring::make(Parts parts, Hooks hooks) {
  return std::make_shared<VoiceWiring>(Token{}, std::move(parts), std::move(hooks));
}

VoiceWiring::VoiceWiring(Token, Parts parts, Hooks hooks) : parts_(std::move(parts)), hooks_(std::move(hooks)) {}

void VoiceWiring::use(std::shared_ptr<VoiceCommands> commands) {
  commands_ = std::move(commands);
  if (commands_) wire();
}

void VoiceWiring::startIfAllowed() {
  if (!commands_ || parts_.perms->mic() != Permissions::Mic::granted || status_ != "off") return;
  status_ = "starting…";
  commands_->setAlwaysOn(parts_.prefs->alwaysOnListening());
  const std::uint64_t started = dispatch::monotonicNanos();
  std::weak_ptr<VoiceWiring> weak = weak_from_this();
  commands_->setup([weak, started](std::optional<std::string> error) {
    auto self = weak.lock();
    if (!self) return;
    self->status_ = error.value_or("on");
    const std::uint64_t now = dispatch::monotonicNanos();
    const double ms = static_cast<double>(now - std::min(now, started)) / 1e6;
    Log::write("voice: " + error.value_or("ready") + " in " + Log::whole(ms) + " ms (stt warm " +
               Log::whole(self->commands_->prepareMs()) + " ms, echo cancellation " +
               (self->commands_->echoCancellation() ? "true" : "false") + ")");
    if (self->hooks_.changed) self->hooks_.changed();
  });
}

void VoiceWiring::follow(const std::shared_ptr<Player>& player) {
  if (commands_ && (commands_->ready() || parts_.prefs->d->flag(Prefs::kDebugControlFlag))) commands_->attach(player);
}

void VoiceWiring::prefsChanged() {
  if (commands_) commands_->setAlwaysOn(parts_.prefs->alwaysOnListening());
}

void VoiceWiring::reconnect() {
  if (commands_) commands_->reconnect();
}

bool VoiceWiring::libraryInFront() const {
  const auto front = parts_.workspace->frontmostApplication();
  const bool weAreInFront = front && front->pid == parts_.workspace->ownPid();
  Windows* w = windows();
  return weAreInFront && w && w->libraryInFront();
}

void VoiceWiring::holdStart() {
  if (!commands_ || !commands_->ready()) {
    if (parts_.perms->mic() != Permissions::Mic::granted) {
      parts_.notices->note("Voice commands need the microphone");
    } else if (status_ != "off" && status_ != "starting…" && status_ != "on") {
      // The set-up failed and is not tried again while Orvak runs.
      parts_.notices->note("Voice commands couldn't start (" + status_ + ") — quit and reopen Orvak to try again");
    } else {
      parts_.notices->note("Voice commands are starting…");
    }
    return;
  }
  if (parts_.read->player()) {
    commands_->holdDown(false, false);
  } else if (libraryInFront()) {
    idleHeld_ = true;
    commands_->holdDown(true, true);
  } else if (parts_.perms->accessibility() && !parts_.read->capturing()) {
    idleHeld_ = true;
    captureForAsking();
    commands_->holdDown(true, false);
  }
}

void VoiceWiring::holdEnd(bool cancelled) {
  if (!parts_.read->player() && !idleHeld_) return;
  idleHeld_ = false;
  if (commands_) commands_->holdUp(cancelled);
}

void VoiceWiring::wire() {
  std::weak_ptr<VoiceWiring> weak = weak_from_this();
  const auto with = [weak](auto f) {
    return [weak, f](auto&&... args) {
      if (auto self = weak.lock()) f(*self, std::forward<decltype(args)>(args)...);
    };
  };
  commands_->onStatus = with([](VoiceWiring& v, const std::string& text) { v.parts_.notices->note(text); });
  commands_->onStop = with([](VoiceWiring& v) {
    if (const auto& player = v.parts_.read->player()) player->stop("voice");
  });
  commands_->onStartOver = with([](VoiceWiring& v) { v.parts_.read->startOver(); });
  commands_->onReadFromHere = with([](VoiceWiring& v) { v.parts_.read->readFromHere("voice"); });
  commands_->libraryAsk = with([](VoiceWiring& v, const std::string& question) {
    if (Windows* w = v.windows()) w->askLibrary(question);
  });
  commands_->onWriteDoc = with([](VoiceWiring& v, const std::string& topic, const std::optional<Player::Moment>& at) {
    if (v.hooks_.writeDoc) v.hooks_.writeDoc(topic, at);
  });
  commands_->idlePage = with([](VoiceWiring& v, std::function<void(std::optional<VoiceCommands::Page>)> reply) {
    v.whenIdleCaptured([reply](const std::optional<Capture>& capture) {
      if (!capture) return reply(std::nullopt);
      reply(VoiceCommands::Page{capture->clean.text, capture->windowTitle.value_or("")});
    });
  });
  commands_->onReadAt = with([weak](VoiceWiring& v, const std::optional<std::string>& quote) {
    v.whenIdleCaptured([weak, quote](const std::optional<Capture>& capture) {
      auto again = weak.lock();
      if (!again || !again->hooks_.readAsked) return;
      ReadOptions opts;
      opts.startQuote = quote;
      again->hooks_.readAsked(opts, capture);
    });
  });
  commands_->makeAnswerEngine = [weak]() -> std::shared_ptr<SpeechEngine> {
    auto self = weak.lock();
    if (!self) return EngineFactory::make(Vendor::onDevice, Prefs::shared().engineConfig());
    const Vendor vendor = self->parts_.read->vendorFor(std::nullopt).first;
    return self->parts_.engines->fresh(vendor, self->parts_.prefs->engineConfig());
  };
}

void VoiceWiring::whenIdleCaptured(std::function<void(const std::optional<Capture>&)> then) {
  if (idleCaptured_) {
    then(idleCapture_);
  } else {
    idleWaiters_.push_back(std::move(then));
  }
}

void VoiceWiring::captureForAsking() {
  idleCapture_.reset();
  idleCaptured_ = false;
  std::weak_ptr<VoiceWiring> weak = weak_from_this();
  parts_.capturer->capture(dispatch::monotonicNanos(), [weak](CaptureOutcome outcome) {
    auto self = weak.lock();
    if (!self) return;
    if (auto* capture = std::get_if<Capture>(&outcome)) self->idleCapture_ = std::move(*capture);
    self->idleCaptured_ = true;
    auto waiters = std::move(self->idleWaiters_);
    self->idleWaiters_.clear();
    for (auto& waiter : waiters) waiter(self->idleCapture_);
  });
}

void VoiceWiring::debugSay(const std::string& text) {
  if (!parts_.read->player()) {
    if (libraryInFront()) {
      windows()->askLibrary(text);
      return;
    }
    captureForAsking();
  }
  if (commands_) commands_->simulate(text, !parts_.read->player());
}

}  // namespace orvak
