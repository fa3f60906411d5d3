// The hotkey test that the key chooser and the onboarding offer: the user double-taps the chosen
// key and learns whether it arrived cleanly or which other applications reacted to it.
//
// While armed, the controller hands it the key's first presses (`firstPress`) and routes the
// double tap to `fired` instead of starting a read. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/hotkey/clash_detector.h"

namespace orvak {

class HotkeyTester : public std::enable_shared_from_this<HotkeyTester> {
  struct Token {};

 public:
  struct State {
    enum class Kind {
      idle,
      waiting,   // armed, no double tap yet
      checking,  // double tap seen, verdict pending
      ok,        // nothing else reacted
      clash,     // `names` reacted
    };
    Kind kind = Kind::idle;
    std::vector<std::string> names;  // clash only: sorted, without duplicates
    bool operator==(const State&) const = default;
  };

  // When no first press was seen, the double tap's first press is taken to be this long before it.
  static constexpr double kAssumedPressBefore = 0.6;

  static std::shared_ptr<HotkeyTester> make(std::shared_ptr<platform::Workspace> workspace);
  HotkeyTester(Token, std::shared_ptr<platform::Workspace> workspace);

  const State& state() const { return state_; }
  // Called after every change of `state`.
  std::function<void()> onChange;

  bool armed() const { return state_.kind == State::Kind::waiting || state_.kind == State::Kind::checking; }
  // Starts a test (again): the detector watches, the first press is forgotten, state `waiting`.
  void arm();
  // Ends a test early; an `ok` or `clash` verdict stays. A check already under way still delivers.
  void disarm();
  // The first press of the key, at `eventTime` (seconds on the monotonic clock); kept while
  // `waiting`.
  void firstPress(double eventTime);
  // The double tap under test arrived; only while `waiting` (a second one while checking is
  // swallowed).
  void fired();

  std::optional<double> firstPressAt() const { return firstPressAt_; }
  const ClashDetector& detector() const { return *detector_; }

 private:
  void set(State state);

  State state_;
  std::shared_ptr<ClashDetector> detector_;
  std::optional<double> firstPressAt_;
};

}  // namespace orvak
