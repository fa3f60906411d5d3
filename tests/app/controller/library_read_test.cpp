// The library's "Listen" through the controller: a read of a given text that replaces the one
// under way, on the article scene with scripted engines, in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/audio/earcon.h"
#include "tests/app/controller/app_fixture.h"
#include "tests/core/library/library_fixtures.h"

using namespace orvak;
using namespace orvak::test;
using Mic = platform::MicAccess;

namespace {

// The pill's state as "kind: state sub": the working state "Reading…" shows as "Reading" alone.
std::string shown(App& a) {
  const PillState& s = a.app->pill().model().state();
  return std::string(s.kind == PillState::Kind::working ? "working: " : "other: ") + s.state +
         (s.sub.empty() ? "" : " " + s.sub);
}

const std::string kText = "Your highlights from Rivers.\n\nThe river bends twice.";

}  // namespace

TEST(LibraryReadTest, ReplacesTheReadUnderWayAndReadsTheTextFromItsTop) {
  for (const bool cue : {true, false}) {
    SCOPED_TRACE(cue ? "cue sounds on" : "cue sounds off");
    const std::string scene = articleScene();
    App a(scene.c_str(), true, Mic::granted);
    a.prefs->setSound(cue);
    a.app->launch();
    ASSERT_FALSE(Keys::save("account", "device-token-1234"));  // signed in, never refreshed: stale
    a.vt.drain();
    LogTail log;
    a.doubleTap();
    a.vt.advance(1);
    const auto first = a.app->read().player();
    ASSERT_NE(first, nullptr);
    a.trace->clear();
    std::vector<std::string> pill;
    a.app->pill().model().onChange = [&](std::optional<Curve>) { pill.push_back(shown(a)); };

    a.app->readText(kText);
    EXPECT_EQ(std::count(pill.begin(), pill.end(), "working: Reading"), 1)
        << "the pill says so while the text is prepared";
    const auto read = a.app->read().player();
    ASSERT_NE(read, nullptr);
    EXPECT_NE(read, first);
    EXPECT_EQ(read->source(), (Player::Source{"debug", "text", std::nullopt}));
    EXPECT_EQ(read->opts().earcon, cue);
    EXPECT_FALSE(read->opts().mute);
    EXPECT_EQ(std::count(a.trace->begin(), a.trace->end(), "account: refresh"), 1);
    a.vt.advance(30);
    EXPECT_EQ(log.count("read end (highlights)"), 1) << "the read under way stops as the library's\n" << log.text();
    ASSERT_TRUE(a.app->read().lastRead());
    EXPECT_EQ(a.app->read().lastRead()->trigger, "highlights");
    EXPECT_EQ(a.app->read().lastRead()->startChar, 0);
    EXPECT_EQ(a.app->read().lastRead()->startReason, "top");
    EXPECT_TRUE(std::any_of(a.onDevice->sent.begin(), a.onDevice->sent.end(),
                            [](const auto& s) { return s.text.rfind("Your highlights from Rivers.", 0) == 0; }));
  }
}

TEST(LibraryReadTest, ABusyCaptureOnlyLogsAndAMissingKeyIsNoted) {
  {
    // Every Accessibility answer takes 50 ms: the capture is still running when the library asks.
    const std::string scene = articleScene(R"("latency": 0.05,)");
    App a(scene.c_str(), true, Mic::granted);
    a.app->launch();
    a.vt.drain();
    LogTail log;
    a.doubleTap();
    ASSERT_TRUE(a.app->read().capturing());
    std::vector<std::string> pill;
    a.app->pill().model().onChange = [&](std::optional<Curve>) { pill.push_back(shown(a)); };
    a.app->readText(kText);
    EXPECT_EQ(a.app->read().player(), nullptr);
    EXPECT_EQ(std::count(pill.begin(), pill.end(), "working: Reading"), 0);
    a.vt.drain();
    EXPECT_EQ(log.count("trigger ignored: capture busy"), 1);
  }
  {
    const std::string scene = articleScene();
    App a(scene.c_str(), true, Mic::granted);
    a.prefs->d->set(Prefs::kDeveloperFlag, true);
    a.prefs->setVendor(Vendor::inworld);  // with no Inworld key
    a.app->launch();
    a.vt.drain();
    LogTail log;
    a.app->readText(kText);
    ASSERT_NE(a.app->read().player(), nullptr);
    EXPECT_EQ(a.app->read().player()->engine(), a.onDevice);
    a.vt.drain();
    EXPECT_EQ(log.count("No Inworld TTS-2 Flash key — using the on-device voice"), 1);
  }
}
