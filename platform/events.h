// Input events: the keyboard's modifier state, key chords posted to one application, and a
// global watch on left mouse clicks in other applications.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ax.h"

namespace orvak::platform {

// A set of modifier keys.
class Modifiers {
 public:
  enum Key : std::uint8_t { shift = 1, control = 2, option = 4, command = 8, function = 16 };

  constexpr Modifiers() = default;
  constexpr Modifiers(std::initializer_list<Key> keys) {
    for (Key k : keys) bits_ |= k;
  }
  constexpr bool has(Key k) const { return (bits_ & k) != 0; }
  constexpr bool empty() const { return bits_ == 0; }
  constexpr bool operator==(const Modifiers&) const = default;

  // "shift", "control", "option", "command", "function", in that order.
  std::vector<std::string> names() const;
  // Unknown names are ignored.
  static Modifiers fromNames(const std::vector<std::string>& names);

 private:
  std::uint8_t bits_ = 0;
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
};

}  // namespace orvak::platform
