// The trigger key's gestures from timed key sequences on the simulated keyboard, in virtual time.
#include "app/hotkey/modifier_tap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"

namespace {

using orvak::ModifierTap;
namespace dispatch = orvak::dispatch;

// One step of a sequence, at `ms` after the start: a key goes down or up, or the test acts on the tap.
struct Step {
  int ms;
  enum { down, up, stop, choose } what;
  std::uint16_t key = 0;  // the key, or the new choice's key code
};

struct GestureCase {
  const char* name;
  std::vector<Step> steps;
  std::vector<std::string> gestures;  // "first 0", "double 750", "hold 300", "end 1000", "end! 500" (cancelled)
  bool withHold = true;
};

constexpr std::uint16_t kRightShift = 60, kLeftShift = 56, kCapsLock = 57, kLeftSuper = 55, kH = 4;

std::vector<std::string> run(const GestureCase& c) {
  dispatch::VirtualTime vt;
  auto desktop = orvak::sim::SimDesktop::fromJson(orvak::json::parse(R"({"applications": []})"), "keys");
  auto events = std::make_shared<orvak::sim::SimEvents>(desktop);
  auto tap = ModifierTap::make(events, ModifierTap::Choice::with(kRightShift));
  const double t0 = dispatch::monotonicSeconds();
  std::vector<std::string> seen;
  auto at = [&] { return std::to_string(std::lround((dispatch::monotonicSeconds() - t0) * 1000)); };
  tap->onFirstPress = [&](double t) { seen.push_back("first " + std::to_string(std::lround((t - t0) * 1000))); };
  tap->onDoubleTap = [&](double lag) {
    EXPECT_NEAR(lag, 0, 1e-3) << "delivered at its own time";
    seen.push_back("double " + at());
  };
  if (c.withHold) tap->onHoldStart = [&] { seen.push_back("hold " + at()); };
  tap->onHoldEnd = [&](bool cancelled) { seen.push_back((cancelled ? "end! " : "end ") + at()); };
  tap->start();
  for (const Step& s : c.steps) {
    const double t = t0 + s.ms / 1000.0;
    switch (s.what) {
      case Step::down: events->press(s.key, t); break;
      case Step::up: events->release(s.key, t); break;
      case Step::stop: dispatch::main().asyncAfter(t - dispatch::monotonicSeconds(), [tap] { tap->stop(); }); break;
      case Step::choose:
        dispatch::main().asyncAfter(t - dispatch::monotonicSeconds(),
                                    [tap, k = s.key] { tap->setChoice(ModifierTap::Choice::with(k)); });
        break;
    }
  }
  vt.advance(5);
  return seen;
}

}  // namespace

TEST(ModifierTapTest, TimedKeySequencesGiveTheirGestures) {
  using S = Step;
  const std::vector<GestureCase> cases{
      {"a 350 ms tap and a press 400 ms after its release make a double tap",
       {{0, S::down, 60}, {350, S::up, 60}, {750, S::down, 60}, {800, S::up, 60}},
       {"first 0", "double 750"},
       false},
      {"a 351 ms press is no tap: the next press is a first press again",
       {{0, S::down, 60}, {351, S::up, 60}, {751, S::down, 60}, {800, S::up, 60}},
       {"first 0", "first 751"},
       false},
      {"the second press of a double tap held on never becomes a hold",
       {{0, S::down, 60}, {250, S::up, 60}, {600, S::down, 60}, {1500, S::up, 60}},
       {"first 0", "double 600"}},
      {"a press 401 ms after the tap is no double tap and no first press, but the start of a new one",
       {{0, S::down, 60}, {100, S::up, 60}, {501, S::down, 60}, {600, S::up, 60}, {700, S::down, 60}, {750, S::up, 60}},
       {"first 0", "double 700"}},
      {"held for 0.3 s: one hold start, one hold end on release; a shorter press starts none",
       {{0, S::down, 60}, {299, S::up, 60}, {1000, S::down, 60}, {2000, S::up, 60}},
       {"first 0", "hold 1300", "end 2000"}},
      {"Super pressed during a hold cancels it, once",
       {{0, S::down, 60}, {500, S::down, kLeftSuper}, {600, S::up, kLeftSuper}, {700, S::up, 60}},
       {"first 0", "hold 300", "end! 500"}},
      {"typing during a hold cancels it and the pending tap",
       {{0, S::down, 60}, {400, S::down, kH}, {450, S::up, kH}, {500, S::up, 60}, {600, S::down, 60}, {650, S::up, 60}},
       {"first 0", "hold 300", "end! 400", "first 600"}},
      {"typing between the taps cancels the double tap",
       {{0, S::down, 60}, {100, S::up, 60}, {150, S::down, kH}, {200, S::down, 60}, {250, S::up, 60}},
       {"first 0", "first 200"}},
      {"Caps Lock on does not prevent a double tap",
       {{0, S::down, kCapsLock}, {10, S::up, kCapsLock}, {100, S::down, 60}, {200, S::up, 60}, {300, S::down, 60}},
       {"first 100", "double 300"}},
      {"the other Shift between the taps cancels",
       {{0, S::down, 60}, {100, S::up, 60}, {150, S::down, kLeftShift}, {160, S::up, kLeftShift}, {200, S::down, 60},
        {250, S::up, 60}},
       {"first 0", "first 200"}},
      {"without a hold callback no hold is timed and a long press is no tap",
       {{0, S::down, 60}, {1000, S::up, 60}, {1100, S::down, 60}, {1150, S::up, 60}, {1200, S::down, 60}},
       {"first 0", "first 1100", "double 1200"},
       false},
      {"a new key between the taps forgets the first tap",
       {{0, S::down, 60}, {100, S::up, 60}, {150, S::choose, 60}, {200, S::down, 60}, {250, S::up, 60}},
       {"first 0", "first 200"}},
      {"a new key during a hold ends it as cancelled and watches the new key",
       {{0, S::down, 60}, {500, S::choose, 61}, {600, S::up, 60}, {700, S::down, 61}, {750, S::up, 61}, {800, S::down, 61}},
       {"first 0", "hold 300", "end! 500", "first 700", "double 800"}},
      {"stop ends a hold as cancelled and nothing is watched after it",
       {{0, S::down, 60}, {400, S::stop}, {500, S::up, 60}, {600, S::down, 60}, {650, S::up, 60}},
       {"first 0", "hold 300", "end! 400"}},
  };
  for (const GestureCase& c : cases) {
    EXPECT_EQ(run(c), c.gestures) << c.name;
  }
}

TEST(ModifierTapTest, TheLagIsFromTheKeyEventToItsHandling) {
  dispatch::VirtualTime vt;
  auto desktop = orvak::sim::SimDesktop::fromJson(orvak::json::parse(R"({"applications": []})"), "keys");
  auto events = std::make_shared<orvak::sim::SimEvents>(desktop);
  auto tap = ModifierTap::make(events, ModifierTap::Choice::with(60));
  std::vector<double> lags;
  tap->onDoubleTap = [&](double lag) { lags.push_back(lag); };
  tap->start();
  vt.advance(1);
  const double t = dispatch::monotonicSeconds();
  // The desktop hands over the whole double tap 40 ms after its second press.
  events->press(60, t - 0.20);
  events->release(60, t - 0.15);
  events->press(60, t - 0.04);
  vt.drain();
  ASSERT_EQ(lags.size(), 1u);
  EXPECT_NEAR(lags[0], 40, 1e-6);
}

TEST(ModifierTapTest, ChoicesKeepTheirCodesAndOrderAndUnknownCodesGiveRightShift) {
  std::vector<std::uint16_t> codes;
  for (const auto& c : ModifierTap::Choice::all()) codes.push_back(c.keyCode);
  EXPECT_EQ(codes, (std::vector<std::uint16_t>{60, 61, 54, 62, 59, 58}));
  EXPECT_EQ(ModifierTap::Choice::with(59).name, "Left Control");
  for (std::uint16_t code : {55, 56, 0, 63, 65535}) {
    EXPECT_EQ(ModifierTap::Choice::with(code), ModifierTap::Choice::all().front()) << code;
  }
  using M = orvak::platform::Modifiers;
  const std::vector<std::pair<std::uint16_t, M::Key>> flags{
      {54, M::command}, {55, M::command}, {56, M::shift}, {60, M::shift}, {58, M::option},
      {61, M::option},  {59, M::control}, {62, M::control}, {57, M::function}, {4, M::function}};
  for (const auto& [code, flag] : flags) EXPECT_EQ(ModifierTap::flag(code), flag) << code;
}
