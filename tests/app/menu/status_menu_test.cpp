// The status menu's icon, pulse and actions over a recording host and tray, in virtual time.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/menu/status_menu.h"
#include "app/prefs.h"
#include "core/base/dispatch.h"
#include "core/base/paths.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/temp_home.h"

using namespace orvak;

namespace {

using Trace = std::shared_ptr<std::vector<std::string>>;

struct Tray final : TrayView {
  bool tray = true;
  bool reduced = false;
  mutable int asked = 0;
  int puts = 0;  // times the icon was put in the tray
  std::vector<std::pair<menu::IconLook, double>> shown;
  bool available() const override {
    ++asked;
    return tray;
  }
  void show() override {
    EXPECT_FALSE(shown.empty()) << "the image comes before the icon goes in the tray";
    ++puts;
  }
  bool reducedMotion() const override { return reduced; }
  void showIcon(const menu::IconLook& look, double phase) override { shown.push_back({look, phase}); }
  void menuChanged() override {}
};

struct Win final : Windows {
  Trace trace;
  void showOnboarding() override { trace->push_back("onboarding"); }
  void showMain(MainModel::Page page) override { trace->push_back("main " + std::string(MainModel::raw(page))); }
  void showNotes(const std::optional<std::string>& key) override { trace->push_back("notes " + key.value_or("-")); }
  bool libraryInFront() const override { return false; }
  bool hasVisibleWindows() const override { return false; }
  void reloadModels() override { trace->push_back("reload"); }
  void askLibrary(const std::string& question) override { trace->push_back("ask " + question); }
};

struct Host final : MenuHost {
  Trace trace;
  menu::Snapshot state;
  Prefs* prefsPtr = nullptr;
  Win win;
  menu::Snapshot snapshot() override { return state; }
  Prefs& prefs() override { return *prefsPtr; }
  Windows& windows() override { return win; }
  void trigger(const std::string& source, double lag, const ReadOptions& opts) override {
    trace->push_back("trigger " + source + " " + std::to_string(int(lag)) +
                     (opts == ReadOptions{} ? " plain" : " options"));
  }
  void control(const std::string& what) override { trace->push_back("control " + what); }
  void post(const std::string& name) override { trace->push_back("post " + name); }
  void open(const std::filesystem::path& path) override { trace->push_back("open " + path.filename().string()); }
  void feedback() override { trace->push_back("feedback"); }
  void quit() override { trace->push_back("quit"); }
};

struct Fixture {
  dispatch::VirtualTime vt;
  Trace trace = std::make_shared<std::vector<std::string>>();
  Prefs prefs{std::make_shared<platform::Defaults>(test::freshDir("menu") / "defaults.json")};
  Host* host = nullptr;
  std::shared_ptr<Tray> tray = std::make_shared<Tray>();
  std::unique_ptr<TrayStatusMenu> menu;

  explicit Fixture(bool reading = false, bool access = true, bool reduced = false, bool hasTray = true) {
    auto h = std::make_unique<Host>();
    host = h.get();
    h->trace = trace;
    h->win.trace = trace;
    h->prefsPtr = &prefs;
    h->state.accessibility = access;
    h->state.player = reading;
    tray->reduced = reduced;
    tray->tray = hasTray;
    menu = std::make_unique<TrayStatusMenu>(std::move(h), tray);
  }
};

}  // namespace

TEST(StatusMenuTest, APulseOf36TicksTakes2Point4SecondsAndWraps) {
  Fixture f(true);
  ASSERT_TRUE(f.menu->pulsing());
  ASSERT_EQ(f.tray->shown.size(), 1u);
  EXPECT_EQ(f.tray->shown[0].second, 0);
  f.vt.advance(2.4 - 0.01);
  EXPECT_EQ(f.tray->shown.size(), 36u) << "35 ticks before 2.4 s";
  EXPECT_NEAR(f.tray->shown.back().second, 35.0 / 36, 1e-9);
  f.vt.advance(0.02);
  EXPECT_EQ(f.tray->shown.size(), 37u);
  EXPECT_NEAR(f.tray->shown.back().second, 0, 1e-9) << "the 36th tick is the start again";
  for (const auto& [look, phase] : f.tray->shown) {
    EXPECT_GE(phase, 0);
    EXPECT_LT(phase, 1);
    EXPECT_EQ(look.icon, menu::Icon::reading);
  }
  f.menu->refresh();
  EXPECT_EQ(f.tray->shown.size(), 37u) << "a refresh while pulsing leaves the image alone";
}

TEST(StatusMenuTest, TheReadEndingOrAccessibilityGoingStopsThePulseAndReducedMotionHasNone) {
  for (const bool endRead : {true, false}) {
    Fixture f(true);
    (endRead ? f.host->state.player : f.host->state.accessibility) = false;
    f.menu->refresh();
    EXPECT_FALSE(f.menu->pulsing());
    EXPECT_EQ(f.tray->shown.back().first.icon, endRead ? menu::Icon::idle : menu::Icon::needsSetup);
    const auto n = f.tray->shown.size();
    f.vt.advance(1);
    EXPECT_EQ(f.tray->shown.size(), n);
  }
  Fixture steady(true, true, true);
  EXPECT_FALSE(steady.menu->pulsing());
  EXPECT_EQ(steady.tray->shown.back().second, TrayStatusMenu::kSteadyPhase);
  steady.vt.advance(1);
  EXPECT_EQ(steady.tray->shown.size(), 1u);
}

TEST(StatusMenuTest, NoTrayIsLoggedAndNothingIsShown) {
  test::LogTail log;
  Fixture f(true, true, false, false);
  EXPECT_FALSE(f.menu->available());
  EXPECT_FALSE(f.menu->pulsing());
  EXPECT_TRUE(f.tray->shown.empty());
  f.vt.advance(1);
  EXPECT_EQ(log.count(TrayStatusMenu::kNoTrayLine), 1);
  EXPECT_EQ(f.tray->puts, 0);
}

TEST(StatusMenuTest, ATrayThatAppearsLaterGetsTheIconAndIsLookedForLessAndLessOften) {
  struct Case {
    double appearsAfter;  // seconds after launch
    double foundBy;       // the icon is in the tray by then
  };
  for (const Case c : {Case{0.2, 0.5 + 0.01}, Case{3, 3.5 + 0.01}, Case{100, 123.5 + 0.01}}) {
    test::LogTail log;
    Fixture f(true, true, false, false);
    f.vt.advance(c.appearsAfter);
    EXPECT_EQ(f.tray->puts, 0);
    EXPECT_TRUE(f.tray->shown.empty());
    f.tray->tray = true;
    f.vt.advance(c.foundBy - c.appearsAfter);
    EXPECT_TRUE(f.menu->available()) << c.appearsAfter;
    EXPECT_EQ(f.tray->puts, 1);
    ASSERT_FALSE(f.tray->shown.empty());
    EXPECT_EQ(f.tray->shown.back().first.icon, menu::Icon::reading);
    EXPECT_TRUE(f.menu->pulsing()) << "the read under way pulses from the first image";
    EXPECT_EQ(log.count(TrayStatusMenu::kTrayAppearedLine), 1);
    const int asked = f.tray->asked;
    EXPECT_LE(asked, 12) << "looked for with longer and longer waits";
    f.vt.advance(600);
    EXPECT_EQ(f.tray->asked, asked) << "found once, not looked for again";
    EXPECT_EQ(f.tray->puts, 1);
  }
  Fixture never(false, true, false, false);
  never.vt.advance(3600);
  EXPECT_LE(never.tray->asked, 1 + 8 + 60) << "a tray that never comes is asked about at most once a minute";
  EXPECT_GE(never.tray->asked, 60) << "and still looked for after an hour";
  EXPECT_EQ(never.tray->puts, 0);
}

TEST(StatusMenuTest, DelayedActionsFireOnTime) {
  Fixture f;
  f.menu->perform(menu::Action::readNow, "");
  f.vt.advance(0.14);
  EXPECT_TRUE(f.trace->empty());
  f.vt.advance(0.02);
  EXPECT_EQ(*f.trace, std::vector<std::string>{"trigger menu -1 plain"});
  f.trace->clear();
  f.menu->perform(menu::Action::askLibrary, "");
  EXPECT_EQ(*f.trace, (std::vector<std::string>{"reload", "main library"}));
  f.vt.advance(0.24);
  EXPECT_EQ(f.trace->size(), 2u);
  f.vt.advance(0.02);
  EXPECT_EQ(f.trace->back(), "post orvak.focusAsk");
  f.menu->perform(menu::Action::readNow, "");
  f.menu.reset();
  f.vt.advance(1);
  EXPECT_EQ(f.trace->back(), "post orvak.focusAsk") << "a menu gone reads nothing";
}

TEST(StatusMenuTest, ActionsReachTheirTargets) {
  Fixture f;
  std::filesystem::remove(OrvakPaths::research());
  using A = menu::Action;
  const std::pair<A, const char*> acts[] = {
      {A::control, "toggle"}, {A::settings, ""},     {A::onboarding, ""},   {A::openNotes, "https://example.org/a"},
      {A::openNotes, ""},     {A::openLogs, ""},     {A::openResearch, ""}, {A::feedback, ""},
      {A::quit, ""},          {A::checkUpdates, ""},
  };
  for (const auto& [a, v] : acts) f.menu->perform(a, v);
  EXPECT_EQ(*f.trace,
            (std::vector<std::string>{"control toggle", "main general", "onboarding", "notes https://example.org/a",
                                      "notes -", "open " + OrvakPaths::logs().filename().string(),
                                      "open research.jsonl", "feedback", "quit"}));
  EXPECT_TRUE(std::filesystem::exists(OrvakPaths::research())) << "made before it is opened";

  f.menu->perform(A::pickVendor, "cartesia");
  EXPECT_EQ(f.prefs.vendor(), Vendor::cartesia);
  f.menu->perform(A::pickVendor, "Cartesia");
  EXPECT_EQ(f.prefs.vendor(), Vendor::cartesia) << "not a vendor: nothing";
  f.menu->perform(A::pickSpeed, std::to_string(1.75f));
  EXPECT_EQ(f.prefs.speed(), 1.75f);
  f.menu->perform(A::toggleAlwaysOn, "");
  EXPECT_TRUE(f.prefs.alwaysOnListening());
  f.menu->perform(A::toggleAlwaysOn, "");
  EXPECT_FALSE(f.prefs.alwaysOnListening());
}
