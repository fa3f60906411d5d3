#include "app/hotkey/hotkey_tester.h"

namespace orvak {

std::shared_ptr<HotkeyTester> HotkeyTester::make(std::shared_ptr<platform::Workspace> workspace) {
  return std::make_shared<HotkeyTester>(Token{}, std::move(workspace));
}

HotkeyTester::HotkeyTester(Token, std::shared_ptr<platform::Workspace> workspace)
    : detector_(ClashDetector::make(std::move(workspace))) {}

void HotkeyTester::arm() {
  detector_->arm();
  firstPressAt_.reset();
  set({State::Kind::waiting, {}});
}

void HotkeyTester::disarm() {
  detector_->disarm();
  if (armed()) set({State::Kind::idle, {}});
}

void HotkeyTester::firstPress(double eventTime) {
  if (state_.kind == State::Kind::waiting) firstPressAt_ = eventTime;
}

void HotkeyTester::fired() {
  if (state_.kind != State::Kind::waiting) return;
  set({State::Kind::checking, {}});
  const double pressAt =
      firstPressAt_ ? *firstPressAt_ : dispatch::monotonicSeconds() - kAssumedPressBefore;
  // The detector drops the verdict of a test armed again since, so it never lands on a later test.
  detector_->check(pressAt, [weak = weak_from_this()](ClashDetector::Names names) {
    auto self = weak.lock();
    if (!self) return;
    self->detector_->disarm();
    if (names.empty()) {
      self->set({State::Kind::ok, {}});
    } else {
      self->set({State::Kind::clash, std::move(names)});
    }
  });
}

void HotkeyTester::set(State state) {
  state_ = std::move(state);
  if (onChange) onChange();
  notifyObservers();
}

}  // namespace orvak
