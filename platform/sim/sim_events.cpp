#include "platform/sim/sim_events.h"

#include <vector>

#include "core/base/dispatch.h"

namespace orvak::sim {

platform::Modifiers SimEvents::modifierFlags() { return platform::Modifiers::fromNames(desktop_->modifiers()); }

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

}  // namespace orvak::sim
