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
#include "app/hotkey/hotkey_test.h"

namespace orvak {

class HotkeyTester : public HotkeyTest, public std::enable_shared_from_this<HotkeyTester> {
  struct Token {};

 public:
  // When no first press was seen, the double tap's first press is taken to be this long before it.
  static constexpr double kAssumedPressBefore = 0.6;

  static std::shared_ptr<HotkeyTester> make(std::shared_ptr<platform::Workspace> workspace);
  HotkeyTester(Token, std::shared_ptr<platform::Workspace> workspace);

  const State& state() const override { return state_; }
  // Called after every change of `state`, before the observers.
  std::function<void()> onChange;

  void arm() override;
  // A check already under way still delivers its verdict.
  void disarm() override;
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
