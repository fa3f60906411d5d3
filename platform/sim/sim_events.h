// Input events on a simulated desktop: the modifier keys and posted chords are the desktop's own
// (so its scripts can answer a chord or release a key); tests inject clicks with `click` and
// keystrokes with `press` and `release`.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>
#include <set>

#include "platform/events.h"
#include "platform/sim/sim_desktop.h"

namespace orvak::sim {

class SimEvents final : public platform::Events {
 public:
  explicit SimEvents(std::shared_ptr<SimDesktop> desktop);

  // The desktop's modifiers, with the keys pressed through `press` and not yet released.
  platform::Modifiers modifierFlags() override;
  void postKeyChord(pid_t pid, int keyCode, platform::Modifiers flags) override;
  std::optional<std::uint64_t> addLeftMouseDownMonitor(ClickHandler handler) override;
  std::optional<std::uint64_t> addKeyMonitor(KeyHandler handler) override;
  void removeKeyMonitor(std::uint64_t token) override;
  std::optional<std::uint64_t> addScrollMonitor(ScrollHandler handler) override;
  // Kept in `postedScrolls`; nothing on the desktop moves.
  bool postScroll(ax::Point at, int lines) override;

  struct PostedScroll {
    ax::Point at;
    int lines = 0;
    bool operator==(const PostedScroll&) const = default;
  };
  std::vector<PostedScroll> postedScrolls() const;

  // A left mouse-down at `at` (global screen points, origin top left) in some other application:
  // every installed monitor hears of it on the main queue.
  void click(ax::Point at);
  // A scroll-wheel step over some other application: every scroll monitor hears of it on the main
  // queue.
  void scroll(const platform::ScrollEvent& event);

  // A key goes down or up at `time` (seconds on the dispatch monotonic clock). The event reaches
  // the key monitors on the main queue at that time, or at once when it is already past (it then
  // arrives late, as a slow desktop delivers it). A modifier key makes a flags-changed event,
  // Caps Lock (57) toggles its lock when pressed, any other key makes a key-down when pressed and
  // nothing when released. Pressing a key already down repeats it.
  void press(std::uint16_t keyCode, double time);
  void release(std::uint16_t keyCode, double time);

 private:
  struct Keys;
  void schedule(std::uint16_t keyCode, bool down, double time);

  std::shared_ptr<SimDesktop> desktop_;
  mutable std::mutex mutex_;
  std::map<std::uint64_t, ClickHandler> monitors_;
  std::map<std::uint64_t, ScrollHandler> scrollMonitors_;
  std::uint64_t nextToken_ = 1;
  std::shared_ptr<Keys> keys_;
  std::vector<PostedScroll> posted_;
};

}  // namespace orvak::sim
