#include "platform/sim/sim_events.h"

#include <algorithm>
#include <vector>

#include "core/base/dispatch.h"

namespace orvak::sim {

namespace {
constexpr std::uint16_t kCapsLock = 57;
}  // namespace

// The keyboard's state and the key monitors, shared with the deliveries still scheduled.
struct SimEvents::Keys {
  std::mutex mutex;
  std::set<std::uint16_t> held;  // modifier keys down now
  bool capsLock = false;
  std::map<std::uint64_t, KeyHandler> monitors;
  std::uint64_t nextToken = 1;

  platform::Modifiers heldFlags(platform::Modifiers base) const {
    for (std::uint16_t code : held) {
      if (auto key = platform::modifierOfKey(code)) base = base.with(*key);
    }
    return capsLock ? base.with(platform::Modifiers::capsLock) : base;
  }
};

SimEvents::SimEvents(std::shared_ptr<SimDesktop> desktop)
    : desktop_(std::move(desktop)), keys_(std::make_shared<Keys>()) {}

platform::Modifiers SimEvents::modifierFlags() {
  const auto base = platform::Modifiers::fromNames(desktop_->modifiers());
  std::lock_guard lock(keys_->mutex);
  return keys_->heldFlags(base);
}

void SimEvents::postKeyChord(pid_t pid, int keyCode, platform::Modifiers flags) {
  desktop_->postKeyChord(pid, keyCode, flags.names());
}

std::optional<std::uint64_t> SimEvents::addLeftMouseDownMonitor(ClickHandler handler) {
  std::lock_guard lock(mutex_);
  const std::uint64_t token = nextToken_++;
  monitors_.emplace(token, std::move(handler));
  return token;
}

void SimEvents::click(ax::Point at) {
  std::vector<ClickHandler> handlers;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [token, h] : monitors_) handlers.push_back(h);
  }
  for (auto& h : handlers) {
    dispatch::main().async([h = std::move(h), at] { h(at); });
  }
}

std::optional<std::uint64_t> SimEvents::addScrollMonitor(ScrollHandler handler) {
  std::lock_guard lock(mutex_);
  const std::uint64_t token = nextToken_++;
  scrollMonitors_.emplace(token, std::move(handler));
  return token;
}

void SimEvents::scroll(const platform::ScrollEvent& event) {
  std::vector<ScrollHandler> handlers;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [token, h] : scrollMonitors_) handlers.push_back(h);
  }
  for (auto& h : handlers) {
    dispatch::main().async([h = std::move(h), event] { h(event); });
  }
}

std::optional<std::uint64_t> SimEvents::addKeyMonitor(KeyHandler handler) {
  std::lock_guard lock(keys_->mutex);
  const std::uint64_t token = keys_->nextToken++;
  keys_->monitors.emplace(token, std::move(handler));
  return token;
}

void SimEvents::removeKeyMonitor(std::uint64_t token) {
  std::lock_guard lock(keys_->mutex);
  keys_->monitors.erase(token);
}

void SimEvents::press(std::uint16_t keyCode, double time) { schedule(keyCode, true, time); }
void SimEvents::release(std::uint16_t keyCode, double time) { schedule(keyCode, false, time); }

void SimEvents::schedule(std::uint16_t keyCode, bool down, double time) {
  const double now = dispatch::monotonicSeconds();
  // The desktop's own modifiers are read when the event happens, so a scene's scripts can hold a key.
  dispatch::main().asyncAfter(time - now, [keys = keys_, desktop = desktop_, keyCode, down, time] {
    const auto base = platform::Modifiers::fromNames(desktop->modifiers());
    platform::KeyEvent event{platform::KeyEvent::Kind::flagsChanged, keyCode, {}, time};
    std::vector<std::uint64_t> tokens;
    {
      std::lock_guard lock(keys->mutex);
      if (keyCode == kCapsLock) {
        if (!down) return;
        keys->capsLock = !keys->capsLock;
      } else if (platform::modifierOfKey(keyCode)) {
        if (down) {
          keys->held.insert(keyCode);
        } else if (keys->held.erase(keyCode) == 0) {
          return;  // released without being pressed: the keyboard makes no event
        }
      } else {
        if (!down) return;
        event.kind = platform::KeyEvent::Kind::keyDown;
      }
      event.flags = keys->heldFlags(base);
      for (const auto& [token, h] : keys->monitors) tokens.push_back(token);
    }
    // Each monitor is looked up again just before its call: one removed by an earlier handler
    // hears nothing more.
    for (std::uint64_t token : tokens) {
      KeyHandler handler;
      {
        std::lock_guard lock(keys->mutex);
        if (auto it = keys->monitors.find(token); it != keys->monitors.end()) handler = it->second;
      }
      if (handler) handler(event);
    }
  });
}

bool SimEvents::postScroll(ax::Point at, int lines) {
  std::lock_guard lock(mutex_);
  posted_.push_back({at, lines});
  return true;
}

std::vector<SimEvents::PostedScroll> SimEvents::postedScrolls() const {
  std::lock_guard lock(mutex_);
  return posted_;
}

}  // namespace orvak::sim
