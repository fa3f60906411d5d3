// The trigger key: one modifier key, watched on the whole desktop, whose presses become four
// gestures: a double tap (start or stop a read), a first press (the possible start of a double
// tap, for the hotkey test), a hold of 0.3 s (push-to-talk) and the end of that hold.
//
// A tap lasts at most 350 ms from press to release; the second press of a double tap comes at
// most 400 ms after the first tap's release ("at most": equal counts). Any other key, or another
// modifier held with the chosen one (Shift, Control, Alt, Super; the locks and Fn do not count),
// cancels what was under way, so typing while the key is held is neither a tap nor a hold.
//
// One key monitor of platform/events.h sees the key whichever application is in front, ours
// included, and never consumes it. Main thread only: events, the hold timer and every callback.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/dispatch.h"
#include "platform/events.h"

namespace orvak {

class ModifierTap : public std::enable_shared_from_this<ModifierTap> {
  struct Token {};

 public:
  // A key the user may choose; `keyCode` in the numbering of platform/events.h.
  struct Choice {
    std::uint16_t keyCode = 60;
    std::string name;
    std::optional<std::string> knownClash;  // other software known to react to the same key
    bool operator==(const Choice&) const = default;

    // The six choices, in the order the key chooser lists them; Right Shift first.
    static const std::vector<Choice>& all();
    // The choice with that key code; any other code gives Right Shift.
    static Choice with(std::uint16_t keyCode);
  };

  static constexpr double kMaxTapSeconds = 0.350;
  static constexpr double kMaxGapSeconds = 0.400;
  static constexpr double kHoldSeconds = 0.3;

  static std::shared_ptr<ModifierTap> make(std::shared_ptr<platform::Events> events, Choice choice);
  ModifierTap(Token, std::shared_ptr<platform::Events> events, Choice choice);
  ~ModifierTap();
  ModifierTap(const ModifierTap&) = delete;
  ModifierTap& operator=(const ModifierTap&) = delete;

  // The modifier a key code sets; Fn for any code that is not one of the eight modifier keys.
  static platform::Modifiers::Key flag(std::uint16_t keyCode);
  // What a key cap shows for a key code, the one set of key symbols everything that draws or
  // writes the key uses: "⇧" for Shift, "Alt", "❖" for Super, "Ctrl" for Control and any other key.
  static std::string glyph(std::uint16_t keyCode);

  // The watched key. A new key resets the press state: not down, no first tap pending, and a hold
  // under way ends as cancelled (its key is no longer the trigger).
  const Choice& choice() const { return choice_; }
  void setChoice(Choice choice);
  std::function<void(double lagMs)> onDoubleTap;  // lag: from the key event to its handling
  std::function<void()> onHoldStart;              // without it no hold is ever timed
  std::function<void(bool cancelled)> onHoldEnd;
  std::function<void(double eventTime)> onFirstPress;  // seconds on the monotonic clock

  // Stops, then installs the key monitor. Without one (the desktop refused it) nothing is watched.
  void start();
  // Removes the monitor, ends a hold as cancelled and forgets a pending first tap.
  void stop();

  bool isWatching() const { return monitor_.has_value(); }
  bool isDown() const { return isDown_; }
  bool isHolding() const { return holdActive_; }

 private:
  void handle(const platform::KeyEvent& event);
  void press(double time);
  void release(double time);
  void endHold(bool cancelled);
  void cancel();
  void dropHoldWork();

  Choice choice_;
  std::shared_ptr<platform::Events> events_;
  std::optional<std::uint64_t> monitor_;
  bool isDown_ = false;
  double downAt_ = 0;
  std::optional<double> firstTapUpAt_;
  std::optional<dispatch::WorkItem> holdWork_;
  bool holdActive_ = false;
};

}  // namespace orvak
