// The simulated keyboard, window list and activations that the hotkey and the clash test watch.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_workspace.h"
#include "tests/platform/inline_scene.h"

namespace json = orvak::json;
namespace platform = orvak::platform;
using orvak::sim::SceneError;
using orvak::sim::SimDesktop;
using orvak::sim::SimEvents;
using orvak::sim::SimWorkspace;
using orvak::test::scene;
using Kind = platform::KeyEvent::Kind;

namespace {

double now() { return orvak::dispatch::monotonicSeconds(); }

const char* kTwoApps = R"({
  "frontmost": "editor",
  "applications": [
    {"ref": "editor", "pid": 10, "name": "Editor", "bundleId": "org.example.Editor",
     "windows": [{"ref": "doc", "frame": [0, 0, 400, 300]}, {"ref": "tip", "frame": [5, 5, 10, 10], "alpha": 0.02}]},
    {"ref": "term", "pid": 20, "name": "Terminal", "windows": [{"ref": "shell"}]},
    {"ref": "nameless", "pid": 30}
  ]})";

}  // namespace

TEST(SimInputTest, InjectedKeysReachMonitorsAtTheirTimeWithTheModifiersHeldAfterThem) {
  orvak::dispatch::VirtualTime vt;
  auto desktop = scene(R"({"modifiers": ["numLock"], "applications": []})");
  SimEvents events(desktop);
  std::vector<platform::KeyEvent> seen;
  ASSERT_TRUE(events.addKeyMonitor([&](const platform::KeyEvent& e) { seen.push_back(e); }));

  using M = platform::Modifiers;
  const double t0 = now();
  struct Step {
    bool down;
    std::uint16_t code;
    std::optional<platform::KeyEvent> expected;  // none: the keyboard makes no event
  };
  const std::vector<Step> steps{
      {true, 60, platform::KeyEvent{Kind::flagsChanged, 60, M{M::shift, M::numLock}, 0}},
      {true, 60, platform::KeyEvent{Kind::flagsChanged, 60, M{M::shift, M::numLock}, 0}},  // a repeat
      {true, 56, platform::KeyEvent{Kind::flagsChanged, 56, M{M::shift, M::numLock}, 0}},
      {false, 56, platform::KeyEvent{Kind::flagsChanged, 56, M{M::shift, M::numLock}, 0}},  // right still down
      {true, 0, platform::KeyEvent{Kind::keyDown, 0, M{M::shift, M::numLock}, 0}},
      {false, 0, std::nullopt},
      {false, 60, platform::KeyEvent{Kind::flagsChanged, 60, M{M::numLock}, 0}},
      {false, 60, std::nullopt},  // never down
      {true, 57, platform::KeyEvent{Kind::flagsChanged, 57, M{M::capsLock, M::numLock}, 0}},
      {false, 57, std::nullopt},
      {true, 55, platform::KeyEvent{Kind::flagsChanged, 55, M{M::command, M::capsLock, M::numLock}, 0}},
      {true, 57, platform::KeyEvent{Kind::flagsChanged, 57, M{M::command, M::numLock}, 0}},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const double at = t0 + 0.1 * static_cast<double>(i + 1);
    steps[i].down ? events.press(steps[i].code, at) : events.release(steps[i].code, at);
  }
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const std::size_t before = seen.size();
    const double due = t0 + 0.1 * static_cast<double>(i + 1);
    vt.advance(due - 0.005 - now());
    EXPECT_EQ(seen.size(), before) << "step " << i << " arrived before its time";
    vt.advance(due + 0.005 - now());
    if (!steps[i].expected) {
      EXPECT_EQ(seen.size(), before) << "step " << i;
      continue;
    }
    ASSERT_EQ(seen.size(), before + 1) << "step " << i;
    platform::KeyEvent want = *steps[i].expected;
    want.time = t0 + 0.1 * static_cast<double>(i + 1);
    EXPECT_EQ(seen.back().kind, want.kind) << "step " << i;
    EXPECT_EQ(seen.back().keyCode, want.keyCode) << "step " << i;
    EXPECT_EQ(seen.back().flags.names(), want.flags.names()) << "step " << i;
    EXPECT_DOUBLE_EQ(seen.back().time, want.time) << "step " << i;
  }
  EXPECT_EQ(events.modifierFlags(), (M{M::command, M::numLock})) << "Left Super is still down";
}

TEST(SimInputTest, AKeyEventInThePastArrivesAtOnceWithItsOwnTimeAndRemovedMonitorsHearNothing) {
  orvak::dispatch::VirtualTime vt;
  vt.advance(5);
  auto desktop = scene(R"({"applications": []})");
  SimEvents events(desktop);
  std::vector<double> first, second;
  const auto a = events.addKeyMonitor([&](const platform::KeyEvent& e) { first.push_back(e.time); });
  const auto b = events.addKeyMonitor([&](const platform::KeyEvent& e) { second.push_back(e.time); });
  ASSERT_TRUE(a && b);
  events.press(61, now() - 0.25);
  vt.drain();
  EXPECT_EQ(first, (std::vector<double>{now() - 0.25}));
  EXPECT_EQ(second, first);

  events.release(61, now());
  events.removeKeyMonitor(*b);  // before the queued event is delivered
  vt.drain();
  EXPECT_EQ(first.size(), 2u);
  EXPECT_EQ(second.size(), 1u);
}

TEST(SimInputTest, TheWindowListPutsTheFrontApplicationFirstWithFramesAndAlpha) {
  orvak::dispatch::VirtualTime vt;
  auto desktop = scene(kTwoApps);
  SimWorkspace ws(desktop);
  auto describe = [&] {
    std::vector<std::tuple<std::string, pid_t, bool, double>> out;
    for (const auto& w : ws.onScreenWindows()) {
      EXPECT_TRUE(w.ownerPid);
      out.emplace_back(w.owner.value_or("-"), w.ownerPid.value_or(0), w.bounds.has_value(), w.alpha.value_or(-1));
    }
    return out;
  };
  using Row = std::tuple<std::string, pid_t, bool, double>;
  EXPECT_EQ(describe(), (std::vector<Row>{{"Editor", 10, true, -1}, {"Editor", 10, true, 0.02}, {"Terminal", 20, false, -1}}));

  desktop->setFrontmost(20);
  desktop->apply(json::parse(R"([{"appendChildren": "nameless", "children": [{"ref": "pop", "frame": [1, 2, 30, 40]}]},
                                  {"remove": "tip"}])"));
  EXPECT_EQ(describe(), (std::vector<Row>{{"Terminal", 20, false, -1}, {"Editor", 10, true, -1}, {"-", 30, true, -1}}));

  const auto windows = ws.onScreenWindows();
  EXPECT_EQ(windows.back().bounds, (orvak::ax::Rect{1, 2, 30, 40}));
  EXPECT_NE(windows[0].number, windows[1].number);
  EXPECT_NE(windows[1].number, windows[2].number);
}

TEST(SimInputTest, AlphaIsCheckedWhenTheSceneLoads) {
  const std::vector<std::pair<const char*, const char*>> bad{
      {R"({"applications": [{"pid": 1, "windows": [{"alpha": 1.5}]}]})", "applications[0].windows[0].alpha"},
      {R"({"applications": [{"pid": 1, "windows": [{"children": [{"alpha": 0.5}]}]}]})", "only a window"},
      {R"({"modifiers": ["hyper"], "applications": []})", "unknown modifier"},
  };
  for (const auto& [text, message] : bad) {
    try {
      scene(text);
      ADD_FAILURE() << text << " loaded";
    } catch (const SceneError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

TEST(SimInputTest, ActivationsAreAnnouncedOnceForEachNewFrontApplication) {
  orvak::dispatch::VirtualTime vt;
  auto desktop = scene(kTwoApps);
  SimWorkspace ws(desktop);
  std::vector<std::string> heard;
  const auto token = ws.addActivationObserver([&](const platform::RunningApplication& app) {
    heard.push_back(app.name.value_or("?") + "/" + app.bundleId.value_or("?") + "/" + std::to_string(app.pid));
  });
  ASSERT_TRUE(token);
  vt.drain();
  EXPECT_TRUE(heard.empty()) << "the front application the scene starts with is not an activation";

  desktop->setFrontmost(10);  // already in front
  desktop->setFrontmost(20);
  EXPECT_TRUE(heard.empty()) << "heard on the main queue, not inside the call";
  vt.drain();
  desktop->apply(json::parse(R"([{"frontmost": "nameless"}])"));
  desktop->setFrontmost(std::nullopt);
  desktop->setFrontmost(20);
  vt.drain();
  EXPECT_EQ(heard, (std::vector<std::string>{"Terminal/?/20", "?/?/30", "Terminal/?/20"}));

  desktop->setFrontmost(10);
  ws.removeActivationObserver(*token);  // before the announcement is delivered
  vt.drain();
  EXPECT_EQ(heard.size(), 3u);
}
