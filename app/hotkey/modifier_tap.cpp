#include "app/hotkey/modifier_tap.h"

#include <algorithm>
#include <cmath>

namespace orvak {

namespace {

using platform::Modifiers;

// The modifiers that mean "another modifier is involved": the locks and Fn never do.
constexpr Modifiers::Key kInterfering[] = {Modifiers::shift, Modifiers::control, Modifiers::option, Modifiers::command};


// Whether `seconds` is at most `limit`, judged in whole microseconds: times are seconds since boot
// in doubles, whose differences carry rounding noise that must not turn an exact 350 ms into 351.
bool atMost(double seconds, double limit) { return std::llround(seconds * 1e6) <= std::llround(limit * 1e6); }

}  // namespace

const std::vector<ModifierTap::Choice>& ModifierTap::Choice::all() {
  static const std::vector<Choice> choices{
      {60, "Right Shift", std::nullopt},
      // Short: the key chooser's cards give each one line under the key's name.
      {61, "Right Alt", "AltGr on many layouts"},
      {54, "Right Super", "Can open the overview"},
      {62, "Right Control", "Not on every laptop"},
      {59, "Left Control", "Can locate the pointer"},
      {58, "Left Alt", "Can open app menus"},
  };
  return choices;
}

ModifierTap::Choice ModifierTap::Choice::with(std::uint16_t keyCode) {
  for (const Choice& c : all()) {
    if (c.keyCode == keyCode) return c;
  }
  return all().front();
}

std::string ModifierTap::glyph(std::uint16_t keyCode) {
  switch (flag(keyCode)) {
    case Modifiers::shift:
      return "\u21E7";
    case Modifiers::option:
      return "Alt";
    case Modifiers::command:
      return "\u2756";
    default:
      return "Ctrl";
  }
}

platform::Modifiers::Key ModifierTap::flag(std::uint16_t keyCode) {
  const auto key = platform::modifierOfKey(keyCode);
  return key ? *key : Modifiers::function;
}

std::shared_ptr<ModifierTap> ModifierTap::make(std::shared_ptr<platform::Events> events, Choice choice) {
  return std::make_shared<ModifierTap>(Token{}, std::move(events), std::move(choice));
}

ModifierTap::ModifierTap(Token, std::shared_ptr<platform::Events> events, Choice choice)
    : choice_(std::move(choice)), events_(std::move(events)) {}

ModifierTap::~ModifierTap() {
  if (monitor_) events_->removeKeyMonitor(*monitor_);
  dropHoldWork();
}

void ModifierTap::start() {
  stop();
  monitor_ = events_->addKeyMonitor([weak = weak_from_this()](const platform::KeyEvent& event) {
    if (auto self = weak.lock()) self->handle(event);
  });
}

void ModifierTap::stop() {
  if (monitor_) events_->removeKeyMonitor(*monitor_);
  monitor_.reset();
  endHold(true);
  isDown_ = false;
  firstTapUpAt_.reset();
}

void ModifierTap::setChoice(Choice choice) {
  choice_ = std::move(choice);
  endHold(true);
  isDown_ = false;
  firstTapUpAt_.reset();
}

void ModifierTap::handle(const platform::KeyEvent& event) {
  if (event.kind == platform::KeyEvent::Kind::keyDown) {
    cancel();
    return;
  }
  const Modifiers::Key own = flag(choice_.keyCode);
  if (event.keyCode != choice_.keyCode) {
    cancel();
    return;
  }
  const Modifiers others = event.flags.without(own);
  for (Modifiers::Key k : kInterfering) {
    if (others.has(k)) {
      cancel();
      return;
    }
  }
  if (event.flags.has(own)) {
    press(event.time);
  } else {
    release(event.time);
  }
}

void ModifierTap::press(double time) {
  if (isDown_) return;  // a repeat
  isDown_ = true;
  if (!firstTapUpAt_ && onFirstPress) onFirstPress(time);
  if (onHoldStart) {
    holdWork_ = dispatch::main().asyncAfter(kHoldSeconds, [weak = weak_from_this()] {
      auto self = weak.lock();
      if (!self || !self->isDown_) return;
      self->holdWork_.reset();
      self->holdActive_ = true;
      self->firstTapUpAt_.reset();
      if (self->onHoldStart) self->onHoldStart();
    });
  }
  if (firstTapUpAt_ && atMost(time - *firstTapUpAt_, kMaxGapSeconds)) {
    firstTapUpAt_.reset();
    downAt_ = 0;
    dropHoldWork();
    if (onDoubleTap) onDoubleTap(std::max(0.0, dispatch::monotonicSeconds() - time) * 1000);
    return;
  }
  downAt_ = time;
  firstTapUpAt_.reset();
}

void ModifierTap::release(double time) {
  if (!isDown_) return;
  isDown_ = false;
  if (!holdActive_) {
    dropHoldWork();
    if (downAt_ > 0 && atMost(time - downAt_, kMaxTapSeconds)) {
      firstTapUpAt_ = time;
    } else {
      firstTapUpAt_.reset();
    }
  } else {
    endHold(false);
    firstTapUpAt_.reset();
  }
}

void ModifierTap::endHold(bool cancelled) {
  dropHoldWork();
  if (!holdActive_) return;
  holdActive_ = false;
  if (onHoldEnd) onHoldEnd(cancelled);
}

void ModifierTap::cancel() {
  endHold(true);
  isDown_ = false;
  firstTapUpAt_.reset();
}

void ModifierTap::dropHoldWork() {
  if (holdWork_) holdWork_->cancel();
  holdWork_.reset();
}

}  // namespace orvak
