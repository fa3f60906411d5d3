// The controller's trigger, which decides whether a read may start and hands it to the read
// session, and the voice commands' wiring to the read and the library.
#include <cstdio>

#include "app/controller/app_controller.h"
#include "core/base/log.h"
#include "speech/keys.h"

namespace orvak {

namespace {

constexpr double kAccountStaleSeconds = 3600;

std::string whole(double ms) { return std::to_string(static_cast<long long>(ms)); }

}  // namespace

bool AppController::weAreInFront() {
  const auto front = services_.workspace->frontmostApplication();
  return front && front->pid == services_.workspace->ownPid();
}

AudioGraph& AppController::graph() { return services_.graph ? *services_.graph : AudioGraph::shared(); }

void AppController::trigger(const std::string& source, double eventLagMs, ReadOptions opts,
                            std::optional<std::string> text, std::optional<Vendor> vendor,
                            std::optional<Capture> captured) {
  const std::uint64_t handlerTime = dispatch::monotonicNanos();
  // The hotkey and the menu stop the read under way; other sources replace it.
  if (read_->stop(source) && (source == "hotkey" || source == "menu")) return;
  if (Keys::get("account")) {
    const auto last = account().lastRefresh();
    if (!last || static_cast<double>(handlerTime - std::min(handlerTime, *last)) / 1e9 > kAccountStaleSeconds) {
      account().refresh();
    }
  }
  if (!text && !perms_->accessibility()) {
    notices_->fail("Orvak needs Accessibility access");
    if (windows_) windows_->showOnboarding();
    return;
  }
  if (read_->capturing()) {
    Log::write("trigger ignored: capture busy");
    return;
  }
  const auto front = services_.workspace->frontmostApplication();
  const std::string name = front && front->name ? *front->name : "window";
  pill_->show(text ? "Reading…" : "Reading " + name + "…", Pill::Tone::working);
  read_->begin({source, handlerTime, eventLagMs, std::move(opts), vendor, std::move(text), std::move(captured)});
}

void AppController::holdStart() {
  if (!voice_ || !voice_->ready()) {
    if (perms_->mic() != Permissions::Mic::granted) {
      notices_->note("Voice commands need the microphone");
    } else if (voiceStatus_ != "off" && voiceStatus_ != "starting…" && voiceStatus_ != "on") {
      // The set-up failed and is not tried again while Orvak runs.
      notices_->note("Voice commands couldn't start (" + voiceStatus_ + ") — quit and reopen Orvak to try again");
    } else {
      notices_->note("Voice commands are starting…");
    }
    return;
  }
  if (read_->player()) {
    voice_->holdDown(false, false);
  } else if (weAreInFront() && windows_ && windows_->libraryInFront()) {
    idleHeld_ = true;
    voice_->holdDown(true, true);
  } else if (perms_->accessibility() && !read_->capturing()) {
    idleHeld_ = true;
    captureForAsking();
    voice_->holdDown(true, false);
  }
}

void AppController::holdEnd(bool cancelled) {
  if (!read_->player() && !idleHeld_) return;
  idleHeld_ = false;
  if (voice_) voice_->holdUp(cancelled);
}

void AppController::startVoiceIfAllowed() {
  if (!voice_ || perms_->mic() != Permissions::Mic::granted || voiceStatus_ != "off") return;
  voiceStatus_ = "starting…";
  voice_->setAlwaysOn(prefs().alwaysOnListening());
  const std::uint64_t started = dispatch::monotonicNanos();
  std::weak_ptr<AppController> weak = weak_from_this();
  voice_->setup([weak, started](std::optional<std::string> error) {
    auto self = weak.lock();
    if (!self) return;
    self->voiceStatus_ = error.value_or("on");
    const std::uint64_t now = dispatch::monotonicNanos();
    const double ms = static_cast<double>(now - std::min(now, started)) / 1e6;
    Log::write("voice: " + error.value_or("ready") + " in " + whole(ms) + " ms (stt warm " +
               whole(self->voice_ ? self->voice_->prepareMs() : -1) + " ms, echo cancellation " +
               (self->voice_ && self->voice_->echoCancellation() ? "true" : "false") + ")");
    if (self->menu_) self->menu_->refresh();
  });
}

void AppController::wireVoice() {
  std::weak_ptr<AppController> weak = weak_from_this();
  voice_->onStatus = [weak](const std::string& text) {
    if (auto self = weak.lock()) self->notices_->note(text);
  };
  voice_->onStop = weakly([](AppController& c) {
    if (const auto& player = c.read_->player()) player->stop("voice");
  });
  voice_->onStartOver = weakly([](AppController& c) { c.read_->startOver(); });
  voice_->onReadFromHere = weakly([](AppController& c) { c.read_->readFromHere("voice"); });
  voice_->libraryAsk = [weak](const std::string& question) {
    auto self = weak.lock();
    if (self && self->windows_) self->windows_->askLibrary(question);
  };
  voice_->onWriteDoc = [weak](const std::string& topic, const std::optional<Player::Moment>& at) {
    if (auto self = weak.lock()) self->writeDoc(topic, at);
  };
  voice_->idlePage = [weak](std::function<void(std::optional<VoiceCommands::Page>)> reply) {
    auto self = weak.lock();
    if (!self) return;
    self->whenIdleCaptured([reply](const std::optional<Capture>& capture) {
      if (!capture) return reply(std::nullopt);
      reply(VoiceCommands::Page{capture->clean.text, capture->windowTitle.value_or("")});
    });
  };
  voice_->onReadAt = [weak](const std::optional<std::string>& quote) {
    auto self = weak.lock();
    if (!self) return;
    self->whenIdleCaptured([weak, quote](const std::optional<Capture>& capture) {
      auto again = weak.lock();
      if (!again) return;
      ReadOptions opts;
      opts.startQuote = quote;
      again->trigger("ask", -1, opts, std::nullopt, std::nullopt, capture);
    });
  };
  voice_->makeAnswerEngine = [weak]() -> std::shared_ptr<SpeechEngine> {
    auto self = weak.lock();
    if (!self) return EngineFactory::make(Vendor::onDevice, Prefs::shared().engineConfig());
    const Vendor vendor = self->read_->vendorFor(std::nullopt).first;
    return self->engines_->fresh(vendor, self->prefs().engineConfig());
  };
}

void AppController::whenIdleCaptured(std::function<void(const std::optional<Capture>&)> then) {
  if (idleCaptured_) {
    then(idleCapture_);
  } else {
    idleWaiters_.push_back(std::move(then));
  }
}

void AppController::captureForAsking() {
  idleCapture_.reset();
  idleCaptured_ = false;
  std::weak_ptr<AppController> weak = weak_from_this();
  capturer_->capture(dispatch::monotonicNanos(), [weak](CaptureOutcome outcome) {
    auto self = weak.lock();
    if (!self) return;
    if (auto* capture = std::get_if<Capture>(&outcome)) self->idleCapture_ = std::move(*capture);
    self->idleCaptured_ = true;
    auto waiters = std::move(self->idleWaiters_);
    self->idleWaiters_.clear();
    for (auto& waiter : waiters) waiter(self->idleCapture_);
  });
}

void AppController::debugSay(const std::string& text) {
  if (!read_->player()) {
    if (weAreInFront() && windows_ && windows_->libraryInFront()) {
      windows_->askLibrary(text);
      return;
    }
    captureForAsking();
  }
  if (voice_) voice_->simulate(text, !read_->player());
}

}  // namespace orvak
