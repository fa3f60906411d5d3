// What the status menu reads of the controller and how its controls reach the read.
#include <gtest/gtest.h>

#include <string>

#include "app/controller/controller_host.h"
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
  ControllerMenuHost host(*a.app, {});
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
