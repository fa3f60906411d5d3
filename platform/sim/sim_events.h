// Input events on a simulated desktop: the modifier keys and posted chords are the desktop's own
// (so its scripts can answer a chord or release a key), and tests inject clicks with `click`.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/events.h"
#include "platform/sim/sim_desktop.h"

namespace orvak::sim {

class SimEvents final : public platform::Events {
 public:
  explicit SimEvents(std::shared_ptr<SimDesktop> desktop) : desktop_(std::move(desktop)) {}

  platform::Modifiers modifierFlags() override;
  void postKeyChord(pid_t pid, int keyCode, platform::Modifiers flags) override;
  std::optional<std::uint64_t> addLeftMouseDownMonitor(ClickHandler handler) override;

  // A left mouse-down at `at` (global screen points, origin top left) in some other application:
  // every installed monitor hears of it on the main queue.
  void click(ax::Point at);

 private:
  std::shared_ptr<SimDesktop> desktop_;
  std::mutex mutex_;
  std::map<std::uint64_t, ClickHandler> monitors_;
  std::uint64_t nextToken_ = 1;
};

}  // namespace orvak::sim
