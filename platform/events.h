// Input events: the keyboard's modifier state, a watch on key presses and modifier changes, key
// chords posted to one application, and global watches on left mouse clicks and the scroll wheel
// in other applications; scroll-wheel lines posted at a point.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ax.h"

namespace orvak::platform {

// A set of modifier keys. `option` is Alt and `command` is Super on a Linux keyboard. Caps Lock
// and Num Lock are locks: they stay in the set while they are on.
class Modifiers {
 public:
  enum Key : std::uint8_t {
    shift = 1, control = 2, option = 4, command = 8, function = 16, capsLock = 32, numLock = 64
  };

  constexpr Modifiers() = default;
  constexpr Modifiers(std::initializer_list<Key> keys) {
    for (Key k : keys) bits_ |= k;
  }
  constexpr bool has(Key k) const { return (bits_ & k) != 0; }
  constexpr bool empty() const { return bits_ == 0; }
  constexpr bool operator==(const Modifiers&) const = default;
  constexpr Modifiers with(Key k) const { return Modifiers(static_cast<std::uint8_t>(bits_ | k)); }
  constexpr Modifiers without(Key k) const { return Modifiers(static_cast<std::uint8_t>(bits_ & ~k)); }

  // "shift", "control", "option", "command", "function", "capsLock", "numLock", in that order.
  std::vector<std::string> names() const;
  // Unknown names are ignored.
  static Modifiers fromNames(const std::vector<std::string>& names);

 private:
  constexpr explicit Modifiers(std::uint8_t bits) : bits_(bits) {}
  std::uint8_t bits_ = 0;
};

// Key codes are those of the original desktop's keyboard (the `hotkeyCode` setting stores them):
// 54 Right Super, 55 Left Super, 56 Left Shift, 57 Caps Lock, 58 Left Alt, 59 Left Control,
// 60 Right Shift, 61 Right Alt, 62 Right Control, 63 Fn. Backends map their physical keys onto
// these numbers.
//
// The modifier a modifier key sets; none for any other key (Caps Lock toggles a lock instead).
std::optional<Modifiers::Key> modifierOfKey(std::uint16_t keyCode);

// One keyboard event as a key monitor sees it.
struct KeyEvent {
  enum class Kind {
    keyDown,       // any key that is not a modifier went down (repeats included)
    flagsChanged,  // a modifier key went down or up, or a lock changed
  };
  Kind kind = Kind::keyDown;
  std::uint16_t keyCode = 0;
  Modifiers flags;  // the modifiers held after the event
  double time = 0;  // when it happened, in seconds on the monotonic clock of core/base/dispatch.h
  bool operator==(const KeyEvent&) const = default;
};

// One step of the scroll wheel (or of a touchpad's scrolling) over another application.
struct ScrollEvent {
  ax::Point at;       // the pointer, global screen points
  double lines = 0;   // positive toward the end of the page (wheel turned down), negative back
  bool horizontal = false;
  bool operator==(const ScrollEvent&) const = default;
};

class Events {
 public:
  virtual ~Events() = default;

  // The modifier keys held down right now, as the system's combined event-source state has them.
  virtual Modifiers modifierFlags() = 0;

  // Posts a key-down and a key-up of `keyCode` (a virtual key code of the original desktop's
  // keyboard: 4 is H), both carrying `flags`, to one process, from a private event source.
  // Delivery is not confirmed.
  virtual void postKeyChord(pid_t pid, int keyCode, Modifiers flags) = 0;

  // Calls `handler` on the main queue for every left mouse-down delivered to another application,
  // with the pointer in global screen points (origin top left, as Accessibility has them).
  // Returns a token, or none when the watch cannot be installed. The watch lasts for the life of
  // the process.
  using ClickHandler = std::function<void(ax::Point)>;
  virtual std::optional<std::uint64_t> addLeftMouseDownMonitor(ClickHandler handler) = 0;

  // Calls `handler` on the main queue for every key-down and every modifier change, whichever
  // application is in front (ours too). Events are observed, never consumed: the application in
  // front still receives them. Returns a token for `removeKeyMonitor`, or none when the watch
  // cannot be installed (no permission to watch the keyboard, no display).
  using KeyHandler = std::function<void(const KeyEvent&)>;
  virtual std::optional<std::uint64_t> addKeyMonitor(KeyHandler handler) = 0;
  // No call of that monitor's handler starts after this returns. Unknown tokens are ignored.
  virtual void removeKeyMonitor(std::uint64_t token) = 0;

  // Calls `handler` on the main queue for every scroll-wheel step over another application's
  // window (scrolling in this program's own windows is left out). Returns a token, or none when
  // the watch cannot be installed. The watch lasts for the life of the process.
  using ScrollHandler = std::function<void(const ScrollEvent&)>;
  virtual std::optional<std::uint64_t> addScrollMonitor(ScrollHandler /*handler*/) { return std::nullopt; }

  // Moves the pointer to `at` and turns the wheel `lines` steps there (positive toward the end of
  // the page). False when events cannot be posted. Delivery is not confirmed.
  virtual bool postScroll(ax::Point /*at*/, int /*lines*/) { return false; }
};

}  // namespace orvak::platform
