// The sidebar's rows, count, banner and hint, and the main view's reactions to the page and the
// developer flag, with a real hotkey tester on a simulated desktop in virtual time.
#include "app/windows/sidebar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_workspace.h"
#include "tests/support/temp_home.h"

using namespace orvak;
using Page = MainModel::Page;
using Kind = HotkeyTester::State::Kind;

namespace {

std::vector<std::string> describe(const sidebar::Layout& l) {
  std::vector<std::string> out;
  for (const auto& s : l.sections) {
    std::string line = s.label + ":";
    for (const auto& i : s.items) {
      line += " " + std::string(i.selected ? "*" : "") + i.title;
      if (i.count) line += " (" + i.count->text + ")";
    }
    out.push_back(line);
  }
  return out;
}

}  // namespace

TEST(SidebarTest, SectionsFollowTheDeveloperFlagAndThePage) {
  sidebar::Facts f;
  f.page = Page::voice;
  EXPECT_EQ(describe(sidebar::layout(f)),
            (std::vector<std::string>{"LIBRARY: Highlights Pages Listened Documents", "YOU: Account",
                                      "SETTINGS: General *Voice Pronunciation", "HELP: Help & Shortcuts"}));
  f.developer = true;
  f.page = Page::advanced;
  f.total = 1;
  EXPECT_EQ(
      describe(sidebar::layout(f)),
      (std::vector<std::string>{"LIBRARY: Highlights (1) Pages Listened Documents", "YOU: Account",
                                "SETTINGS: General Voice Pronunciation Keys *Advanced", "HELP: Help & Shortcuts"}));
  f.total = 0;
  EXPECT_EQ(describe(sidebar::layout(f))[0], "LIBRARY: Highlights Pages Listened Documents") << "no count below 1";
  EXPECT_EQ(sidebar::count(42), (sidebar::Count{"42", "42 highlights and notes"}));
  f.hotkeyCode = 61;
  EXPECT_EQ(sidebar::layout(f).hint, "Double-tap Right Alt");
  f.hotkeyCode = 99;
  EXPECT_EQ(sidebar::layout(f).hint, "Double-tap Right Shift") << "an unknown key reads as the default one";
}

TEST(SidebarTest, TheBannerIsDueUntilAccessibilityAndOnboardingAreBothDone) {
  struct Case {
    bool access, onboarded;
    const char* tip;  // none: no banner
  };
  const Case cases[] = {
      {true, false, "Finish setting up Orvak"},
      {false, false, "Orvak needs Accessibility to read windows"},
      {false, true, "Orvak needs Accessibility to read windows"},
      {true, true, nullptr},
  };
  for (const auto& c : cases) {
    const auto b = sidebar::banner(c.access, c.onboarded);
    if (!c.tip) {
      EXPECT_FALSE(b) << "access " << c.access << " onboarded " << c.onboarded;
      continue;
    }
    ASSERT_TRUE(b);
    EXPECT_EQ(b->text, "Finish setup");
    EXPECT_EQ(b->toolTip, c.tip);
  }
}

namespace {

const char* kSidebarScene = R"({"self": "orvak", "frontmost": "editor", "applications": [
    {"ref": "orvak", "pid": 99, "name": "Orvak"},
    {"ref": "editor", "pid": 10, "name": "Editor", "windows": [{"frame": [0, 0, 800, 600]}]},
    {"ref": "alpha", "pid": 40, "name": "Alpha", "windows": [{"frame": [10, 10, 500, 400]}]}]})";

struct Main {
  dispatch::VirtualTime vt;
  std::shared_ptr<sim::SimDesktop> desktop = sim::SimDesktop::fromJson(json::parse(kSidebarScene), "sidebar");
  std::shared_ptr<HotkeyTester> tester = HotkeyTester::make(std::make_shared<sim::SimWorkspace>(desktop));
  Prefs prefs{std::make_shared<platform::Defaults>(test::freshDir("sidebar") / "defaults.json")};
  MainModel model;
  std::unique_ptr<sidebar::Reactions> reactions;
  explicit Main(Page page, bool developer = false) {
    prefs.d->set(Prefs::kDeveloperFlag, developer);
    model.setPage(page);
    reactions = std::make_unique<sidebar::Reactions>(model, prefs, *tester);
  }
  void clash() {
    tester->arm();
    vt.advance(0.3);
    tester->firstPress(double(dispatch::monotonicNanos()) / 1e9);
    desktop->setFrontmost(40);
    tester->fired();
    vt.advance(1.3);
  }
};

}  // namespace

TEST(SidebarReactionsTest, LeavingGeneralOrGoingAwayEndsAHotkeyTestButKeepsAVerdict) {
  for (const bool away : {false, true}) {
    Main m(Page::general);
    m.tester->arm();
    ASSERT_TRUE(m.tester->detector().isArmed());
    away ? m.reactions->disappeared() : m.model.setPage(Page::voice);
    EXPECT_EQ(m.tester->state().kind, Kind::idle) << (away ? "gone" : "left");
    EXPECT_FALSE(m.tester->detector().isArmed());
  }
  {
    Main m(Page::general);
    m.clash();
    ASSERT_EQ(m.tester->state(), (HotkeyTester::State{Kind::clash, {"Alpha"}}));
    m.model.setPage(Page::library);
    EXPECT_EQ(m.tester->state(), (HotkeyTester::State{Kind::clash, {"Alpha"}})) << "the verdict stays";
  }
  Main elsewhere(Page::voice);
  elsewhere.tester->arm();
  elsewhere.model.setPage(Page::help);
  EXPECT_TRUE(elsewhere.tester->armed()) << "only leaving General ends the test";
}

TEST(SidebarReactionsTest, TheDeveloperFlagTurnedOffTakesADeveloperPageBackToGeneral) {
  struct Case {
    Page shown;
    bool from, to;
    Page after;
  };
  const Case cases[] = {
      {Page::advanced, true, false, Page::general}, {Page::keys, true, false, Page::general},
      {Page::voice, true, false, Page::voice},      {Page::advanced, true, true, Page::advanced},
      {Page::general, false, true, Page::general},
  };
  for (const auto& c : cases) {
    Main m(c.shown, c.from);
    m.prefs.d->set(Prefs::kDeveloperFlag, c.to);
    m.reactions->relayout();
    EXPECT_EQ(m.model.page(), c.after) << MainModel::raw(c.shown) << " " << c.from << "→" << c.to;
  }
}
