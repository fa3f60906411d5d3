// The hosts the controller makes for the windows and the status menu: what they read of it, how
// the menu's controls reach the read, and what they leave to the desktop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/read_file.h"
#include "tests/app/controller/app_fixture.h"

using namespace orvak;
using namespace orvak::test;
using Mic = platform::MicAccess;

TEST(ControllerMenuHostTest, TheSnapshotFollowsTheReadAndControlsActOnlyOnOne) {
  std::string scene = *readWholeFile("tests/fixtures/scenes/article.scene.json");
  App a(scene.c_str(), true, Mic::granted);
  a.app->launch();
  a.vt.drain();
  ASSERT_TRUE(a.menu && a.menu->host);
  MenuHost& host = *a.menu->host;
  for (const char* what : {"toggle", "skip", "back", "stop"}) host.control(what);  // no read: nothing

  menu::Snapshot idle = host.snapshot();
  EXPECT_TRUE(idle.accessibility);
  EXPECT_FALSE(idle.player);
  EXPECT_FALSE(idle.reading);
  EXPECT_TRUE(idle.notesOpen);
  EXPECT_TRUE(idle.recent.empty());

  a.doubleTap();
  a.vt.advance(1.5);
  ASSERT_NE(a.app->read().player(), nullptr);
  menu::Snapshot reading = host.snapshot();
  EXPECT_TRUE(reading.player);
  ASSERT_TRUE(reading.reading);
  EXPECT_EQ(reading.reading->title, a.app->read().readingTitle());
  EXPECT_EQ(reading.reading->source.rfind("Firefox", 0), 0u) << reading.reading->source;
  host.control("toggle");
  a.vt.advance(0.5);
  EXPECT_TRUE(a.app->read().player()->isPaused());
  EXPECT_TRUE(host.snapshot().state->paused);
  host.control("stop");
  a.vt.advance(1);
  EXPECT_EQ(a.app->read().player(), nullptr);
  EXPECT_FALSE(host.snapshot().player);
}

TEST(ControllerHostsTest, TheHostsAnswerForThisControllerAndLeaveTheRestToTheShellsHooks) {
  App a(true, true, Mic::granted);
  a.app->launch();
  a.vt.drain();
  ASSERT_TRUE(a.menu && a.menu->host);
  ASSERT_TRUE(a.windows && a.windows->hosts.windows && a.windows->hosts.onboarding);
  MenuHost& menu = *a.menu->host;
  WindowsHost& windows = *a.windows->hosts.windows;
  EXPECT_EQ(&menu.prefs(), a.prefs.get());
  EXPECT_EQ(&menu.windows(), a.windows);
  EXPECT_EQ(&windows.prefs(), a.prefs.get());

  a.trace->clear();
  windows.refreshMenu();
  menu.open("/tmp/notes.md");
  menu.feedback();
  menu.quit();
  EXPECT_EQ(*a.trace, (std::vector<std::string>{"menu: refresh", "desktop: open /tmp/notes.md", "desktop: feedback -",
                                                "desktop: quit"}));

  int finished = 0;
  bool tray = false;
  const auto onboarding = a.windows->hosts.onboarding([&] { ++finished; }, [&] { return tray; });
  ASSERT_NE(onboarding, nullptr);
  EXPECT_EQ(&onboarding->prefs(), a.prefs.get());
  EXPECT_FALSE(onboarding->hasTray());
  tray = true;
  EXPECT_TRUE(onboarding->hasTray()) << "asked of the desktop each time";
  onboarding->finish();
  EXPECT_EQ(finished, 1);
}
