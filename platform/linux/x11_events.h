// Input events on an X11 desktop. The keyboard and mouse are watched through XInput2's raw
// events on the root window, which every client may select and which reach us whichever window
// has the focus, without taking them from it; chords and scroll steps are posted with XTest.
//
// One thread reads the events on a connection of its own and hands them to the main queue; the
// questions (modifier state, the front window) go over a second connection behind a lock.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/events.h"
#include "platform/linux/x11_display.h"

namespace orvak::x11 {

class X11Events final : public platform::Events {
 public:
  // None when no X display can be opened or the server lacks XInput 2.
  static std::shared_ptr<X11Events> open();
  ~X11Events() override;

  platform::Modifiers modifierFlags() override;
  // Only when `pid` owns the front window: a chord meant for one program never lands in another.
  void postKeyChord(pid_t pid, int keyCode, platform::Modifiers flags) override;
  std::optional<std::uint64_t> addLeftMouseDownMonitor(ClickHandler handler) override;
  std::optional<std::uint64_t> addKeyMonitor(KeyHandler handler) override;
  void removeKeyMonitor(std::uint64_t token) override;
  std::optional<std::uint64_t> addScrollMonitor(ScrollHandler handler) override;
  bool postScroll(ax::Point at, int lines) override;

 private:
  struct Monitors;
  X11Events(std::unique_ptr<Connection> queries, bool canPost);
  bool startReader();
  void read();  // the reader thread

  std::mutex queryLock_;  // guards queries_
  std::unique_ptr<Connection> queries_;
  const bool canPost_;

  std::shared_ptr<Monitors> monitors_;
  std::mutex startLock_;
  std::thread reader_;
  int wake_[2] = {-1, -1};
  std::atomic<bool> stopping_{false};
};

}  // namespace orvak::x11
