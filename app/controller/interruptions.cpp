#include "app/controller/interruptions.h"

#include <algorithm>

#include "app/controller/read_session.h"
#include "core/base/log.h"

namespace orvak {

namespace {

// What the user is told, in general words that fit any desktop.
const char* reasonOf(platform::SessionEvent e) {
  switch (e) {
    case platform::SessionEvent::willSleep:
      return "your computer went to sleep";
    case platform::SessionEvent::sessionInactive:
      return "another user took over";
    case platform::SessionEvent::screenLocked:
      return "your screen locked";
    case platform::SessionEvent::screenSaverStarted:
      return "the screen saver started";
    case platform::SessionEvent::didWake:
      return nullptr;
  }
  return nullptr;
}

// One Accessibility request bounded by the check's own time-out, the element's own left as it
// was for everyone else (the band measures the same elements with the default).
template <class F>
auto bounded(const ax::Element& element, F request) {
  element.setMessagingTimeout(Interruptions::kCheckTimeout);
  auto result = request(element);
  element.setMessagingTimeout(0);
  return result;
}

}  // namespace

std::shared_ptr<Interruptions> Interruptions::make(std::weak_ptr<ReadSession> read, Services services) {
  return std::make_shared<Interruptions>(Token{}, std::move(read), std::move(services));
}

Interruptions::Interruptions(Token, std::weak_ptr<ReadSession> read, Services services)
    : read_(std::move(read)), services_(std::move(services)) {
  output_ = AudioRoute::output(audio());
}

platform::AudioHardware& Interruptions::audio() {
  return services_.audio ? *services_.audio : platform::audioHardware();
}

bool Interruptions::pageGone(bool windowGone, bool titleChanged, std::size_t sampled, std::size_t dead) {
  return windowGone || (titleChanged && sampled >= 2 && 4 * dead >= 3 * sampled);
}

void Interruptions::start() {
  if (started_) return;
  started_ = true;
  std::weak_ptr<Interruptions> weak = weak_from_this();
  // Sleeping screens have no common signal on Linux desktops; the screen saver starting stands
  // in where one runs.
  if (services_.session) {
    services_.session->addObserver([weak](platform::SessionEvent e) {
      auto self = weak.lock();
      if (const char* reason = reasonOf(e); self && reason) self->pause(reason);
    });
  }
  AudioRoute::watch(
      [weak] {
        if (auto self = weak.lock()) self->outputChanged();
      },
      audio());
  AudioGraph& graph = services_.graph ? *services_.graph : AudioGraph::shared();
  graph.addReconfigurationObserver([weak] {
    if (auto self = weak.lock()) self->engineReconfigured();
  });
  timer_ = dispatch::RepeatingTimer(dispatch::main(), kTickSeconds, [weak] {
    if (auto self = weak.lock()) self->tick();
  });
}

void Interruptions::pause(const std::string& reason) {
  auto read = read_.lock();
  if (!read || !read->player() || !read->player()->isPlaying()) return;
  read->player()->pause();
  Log::write("interruption: paused (" + reason + ")");
  services_.pill->flash("Paused · " + reason);
}

void Interruptions::outputChanged() {
  const auto now = AudioRoute::output(audio());
  const bool changed = now.has_value() != output_.has_value() || (now && output_ && !(*now == *output_));
  if (changed) {
    Log::write("audio route: " + (output_ ? output_->name : std::string("?")) + " → " +
               (now ? now->name : std::string("?")));
    if (output_ && output_->personal && (!now || !now->personal)) pause(output_->name + " disconnected");
  }
  output_ = now;
}

void Interruptions::engineReconfigured() {
  auto read = read_.lock();
  const auto player = read ? read->player() : nullptr;
  Log::write(std::string("audio engine reconfigured (device change) · reading=") + (player ? "true" : "false"));
  AudioGraph& graph = services_.graph ? *services_.graph : AudioGraph::shared();
  if (graph.micAttached() && reconnectListener) reconnectListener();
  if (!player || player->hasEnded()) return;
  const double rate = graph.sampleRate();
  graph.forceRebuild();
  graph.ensure(rate > 0 ? rate : 24'000);
  player->recoverAudio();
}

void Interruptions::tick() {
  auto read = read_.lock();
  const auto player = read ? read->player() : nullptr;
  if (!player || player->hasEnded()) {
    pausedForCall_.reset();
    goneChecks_ = 0;
    return;
  }
  // Calls.
  const auto recording = AudioRoute::othersRecording(audio());
  if (recording.empty()) {
    if (pausedForCall_) {
      const std::string name = *pausedForCall_;
      pausedForCall_.reset();
      if (player->isPaused()) services_.pill->flash("Paused · " + name + " call ended. Press play to keep reading");
    }
  } else if (!pausedForCall_ && player->isPlaying()) {
    const std::string& id = recording.front();
    pausedForCall_ = AudioRoute::appName(id, audio());
    player->pause();
    Log::write("interruption: paused for a call (" + id + ")");
    services_.pill->flash("Paused · for your " + *pausedForCall_ + " call");
  }
  // The page.
  const auto spoken = player->spoken();
  if (!spoken || !spoken->capture) return;
  const auto capture = spoken->capture;
  // The process itself, windows or not: a program whose window closed but which still runs has
  // not quit (the page check tells that its page is gone).
  if (!services_.workspace->isRunning(capture->pid, capture->launchedAt)) {
    stop(player, true, capture->appName);
    return;
  }
  if (checking_) return;
  checking_ = true;
  checkPage(player, capture);
}

void Interruptions::checkPage(const std::shared_ptr<Player>& player, const std::shared_ptr<const Capture>& capture) {
  const std::size_t n = capture->elements.size();
  const std::size_t step = std::max<std::size_t>(1, n / kSampledElements);
  std::vector<ax::Element> sample;
  for (std::size_t i = 0; i < n && sample.size() < kSampledElements; i += step) sample.push_back(capture->elements[i]);
  std::weak_ptr<Interruptions> weak = weak_from_this();
  dispatch::global().async([weak, ax = services_.ax, player, capture, sample = std::move(sample)] {
    bool windowGone = false;
    bool titleChanged = false;
    if (capture->window) {
      const ax::Element app = ax->application(capture->pid);
      const auto windows = bounded(app, [](const ax::Element& e) { return e.attribute("AXWindows"); });
      const auto* list = windows.ok() ? windows.value.as<ax::ElementList>() : nullptr;
      if (list) windowGone = std::find(list->begin(), list->end(), *capture->window) == list->end();
      if (!windowGone) {
        const auto title = bounded(*capture->window, [](const ax::Element& e) { return e.attribute("AXTitle"); });
        const auto* text = title.ok() ? title.value.as<std::string>() : nullptr;
        const std::string captured = capture->windowTitle.value_or("");
        titleChanged = text && !captured.empty() && *text != captured;
      }
    }
    std::size_t dead = 0;
    for (const auto& e : sample) {
      const auto role = bounded(e, [](const ax::Element& x) { return x.attribute("AXRole"); });
      if (role.error == ax::Error::invalidUIElement) ++dead;
    }
    const bool gone = capture->window && pageGone(windowGone, titleChanged, sample.size(), dead);
    dispatch::main().async([weak, player, capture, gone] {
      if (auto self = weak.lock()) self->checked(player, capture, gone);
    });
  });
}

void Interruptions::checked(const std::shared_ptr<Player>& player, const std::shared_ptr<const Capture>& capture,
                            bool gone) {
  checking_ = false;
  auto read = read_.lock();
  if (!read || read->player() != player || player->hasEnded()) {
    goneChecks_ = 0;  // a verdict about another read
    return;
  }
  if (!gone) {
    goneChecks_ = 0;
    return;
  }
  if (++goneChecks_ > 1) stop(player, false, capture->appName);
}

void Interruptions::stop(const std::shared_ptr<Player>& player, bool quit, const std::string& appName) {
  goneChecks_ = 0;
  auto read = read_.lock();
  if (!read || read->player() != player) return;
  Log::write(std::string("interruption: stopped (") + (quit ? "the app quit" : "the page is gone") + ")");
  read->interrupt(player, quit ? "appQuit" : "pageGone");
  services_.pill->flash(quit ? "Stopped · " + appName + " closed. Your place is saved"
                         : "Stopped · the page changed. Double-tap to read the new one");
}

}  // namespace orvak
