// The hotkey test: which applications reacted to the double tap, on a simulated desktop whose
// windows appear and whose applications come to the front at scripted times (virtual time).
#include "app/hotkey/hotkey_tester.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_workspace.h"

namespace {

using orvak::HotkeyTester;
using State = HotkeyTester::State;
using Kind = HotkeyTester::State::Kind;
namespace dispatch = orvak::dispatch;
namespace json = orvak::json;

// Orvak itself (pid 99), three applications with a window each, one without windows, and the
// desktop's own panel.
const char* kScene = R"({
  "self": "orvak", "frontmost": "editor",
  "applications": [
    {"ref": "orvak", "pid": 99, "name": "Orvak", "windows": [{"frame": [0, 0, 300, 200]}]},
    {"ref": "editor", "pid": 10, "name": "Editor", "windows": [{"frame": [0, 0, 800, 600]}]},
    {"ref": "alpha", "pid": 40, "name": "Alpha", "windows": [{"frame": [10, 10, 500, 400]}]},
    {"ref": "zed", "pid": 30, "name": "Zed"},
    {"ref": "anon", "pid": 50},
    {"ref": "panel", "pid": 20, "name": "plasmashell", "windows": [{"frame": [0, 0, 1920, 30]}]}
  ]})";

struct Desk {
  dispatch::VirtualTime vt;
  std::shared_ptr<orvak::sim::SimDesktop> desktop = orvak::sim::SimDesktop::fromJson(json::parse(kScene), "clash");
  std::shared_ptr<HotkeyTester> tester = HotkeyTester::make(std::make_shared<orvak::sim::SimWorkspace>(desktop));
  double t0 = dispatch::monotonicSeconds();

  // Runs `f` on the main queue `s` seconds after the start.
  void at(double s, std::function<void()> f) {
    dispatch::main().asyncAfter(t0 + s - dispatch::monotonicSeconds(), std::move(f));
  }
  void change(double s, const char* changes) {
    at(s, [d = desktop, c = json::parse(changes)] { d->apply(c); });
  }
  void front(double s, pid_t pid) {
    at(s, [d = desktop, pid] { d->setFrontmost(pid); });
  }
  void firstPress(double s) {
    at(s, [this] { tester->firstPress(dispatch::monotonicSeconds()); });
  }
  void fired(double s) {
    at(s, [this] { tester->fired(); });
  }
  void until(double s) { vt.advance(t0 + s - dispatch::monotonicSeconds()); }
};

const char* window(const char* app, const char* frame = "[0, 0, 200, 100]", const char* extra = "") {
  static std::string text;
  text = std::string(R"([{"appendChildren": ")") + app + R"(", "children": [{"frame": )" + frame + extra + "}]}]";
  return text.c_str();
}

struct VerdictCase {
  const char* name;
  std::function<void(Desk&)> script;  // armed at 0
  double firstPress;                  // negative: none recorded
  double fired;
  State verdict;
};

}  // namespace

TEST(HotkeyTesterTest, TheVerdictNamesWhatReactedAroundTheDoubleTap) {
  const std::vector<VerdictCase> cases{
      {"a tap 30 ms after arming compares with the snapshot arming took", [](Desk&) {}, 0.03, 0.2, {Kind::ok, {}}},
      {"a window opened just after arming, before a tap 30 ms after it, is reported",
       [](Desk& d) { d.change(0.01, window("editor")); }, 0.03, 0.2, {Kind::clash, {"Editor"}}},
      {"windows that were there a snapshot before the press are not new",
       [](Desk& d) { d.change(0.5, window("alpha")); }, 1.0, 1.2, {Kind::ok, {}}},
      {"the desktop's own panel, a 10-point window, a nearly transparent one and our own are never named",
       [](Desk& d) {
         d.change(1.1, window("panel"));
         d.change(1.1, window("editor", "[0, 0, 10, 10]"));
         d.change(1.1, window("editor", "[0, 0, 11, 400]"));
         d.change(1.1, window("alpha", "[0, 0, 400, 300]", R"(, "alpha": 0.02)"));
         d.change(1.1, window("orvak"));
       },
       1.0, 1.2, {Kind::ok, {}}},
      {"a 12-point window with alpha 0.05 counts",
       [](Desk& d) { d.change(1.1, window("alpha", "[0, 0, 12, 12]", R"(, "alpha": 0.05)")); }, 1.0, 1.2,
       {Kind::clash, {"Alpha"}}},
      {"activations count from 50 ms before the first press: 20 ms before is named, 100 ms before is not",
       [](Desk& d) {
         d.front(0.9, 30);
         d.front(0.98, 40);
       },
       1.0, 1.2, {Kind::clash, {"Alpha"}}},
      {"activations are named by name, else as an app; ours is not one",
       [](Desk& d) {
         d.front(1.05, 50);
         d.front(1.1, 99);
       },
       1.0, 1.2, {Kind::clash, {"an app"}}},
      {"names come once each, sorted",
       [](Desk& d) {
         d.change(1.1, window("editor"));
         d.change(1.15, window("editor"));
         d.front(1.3, 30);
         d.change(1.3, window("alpha"));
       },
       1.0, 1.2, {Kind::clash, {"Alpha", "Editor", "Zed"}}},
      {"without a recorded first press it is taken 0.6 s before the double tap",
       [](Desk& d) {
         d.change(1.0, window("editor"));  // in the snapshot of 1.2, before 2.0 - 0.6 - 0.05
         d.change(1.5, window("alpha"));
       },
       -1, 2.0, {Kind::clash, {"Alpha"}}},
  };
  for (const VerdictCase& c : cases) {
    Desk d;
    d.tester->arm();
    c.script(d);
    if (c.firstPress >= 0) d.firstPress(c.firstPress);
    d.fired(c.fired);
    d.until(c.fired + 1.19);
    EXPECT_EQ(d.tester->state().kind, Kind::checking) << c.name;
    d.until(c.fired + 1.21);
    EXPECT_EQ(d.tester->state(), c.verdict) << c.name;
    EXPECT_FALSE(d.tester->detector().isArmed()) << c.name << ": the verdict disarms";
  }
}

TEST(HotkeyTesterTest, AVerdictBelongsToTheTestThatAskedForIt) {
  Desk d;
  std::vector<Kind> states;
  d.tester->onChange = [&] { states.push_back(d.tester->state().kind); };
  d.tester->arm();
  d.firstPress(0.05);
  d.fired(0.1);
  d.change(0.5, window("editor"));
  d.at(0.8, [&] { d.tester->arm(); });  // the user picks another key before the verdict
  d.front(1.0, 40);
  d.firstPress(1.02);
  d.fired(1.5);
  d.until(1.31);
  EXPECT_EQ(d.tester->state().kind, Kind::waiting) << "the first test's verdict does not land on the second";
  EXPECT_TRUE(d.tester->detector().isArmed());
  d.until(2.71);
  EXPECT_EQ(d.tester->state(), (State{Kind::clash, {"Alpha"}})) << "the second test kept its activation";
  EXPECT_EQ(states, (std::vector<Kind>{Kind::waiting, Kind::checking, Kind::waiting, Kind::checking, Kind::clash}));
}

TEST(HotkeyTesterTest, DisarmKeepsAVerdictThatIsAlreadyComingAndFiredOnlyActsWhileWaiting) {
  Desk d;
  d.tester->fired();
  EXPECT_EQ(d.tester->state().kind, Kind::idle) << "not armed";
  d.tester->arm();
  d.firstPress(0.1);
  d.fired(0.2);
  d.fired(0.3);  // swallowed while checking
  d.change(0.4, window("zed"));
  d.at(0.5, [&] { d.tester->disarm(); });
  d.until(0.6);
  EXPECT_EQ(d.tester->state().kind, Kind::idle);
  d.until(2);
  EXPECT_EQ(d.tester->state(), (State{Kind::clash, {"Zed"}}));
  d.tester->fired();
  d.tester->disarm();
  EXPECT_EQ(d.tester->state(), (State{Kind::clash, {"Zed"}})) << "a verdict stays through fired and disarm";
  d.until(5);
  EXPECT_EQ(d.tester->state(), (State{Kind::clash, {"Zed"}})) << "the swallowed double tap asked for nothing";
}

TEST(HotkeyTesterTest, OnlyTheLastTwentySnapshotsAreKept) {
  // The press was 4.9 s before the double tap: the arming snapshot, the only one before it, has
  // been dropped by then, so the oldest kept one (about 4 s old, already holding the window) is
  // the baseline.
  Desk d;
  d.tester->arm();
  d.firstPress(0.1);
  d.change(0.3, window("alpha"));
  d.fired(5.0);
  d.until(6.3);
  EXPECT_EQ(d.tester->state(), (State{Kind::ok, {}}));
}
