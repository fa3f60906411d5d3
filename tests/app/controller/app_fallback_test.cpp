// How the controller starts a read's player and hands a network read that failed before any
// sound to the on-device voice: a given page read on the scripted Inworld engine, in virtual time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/read_file.h"
#include "speech/keys.h"
#include "tests/app/controller/app_fixture.h"
#include "tests/app/controller/selected_page.h"
#include "tests/support/log_tail.h"

using namespace orvak;
using namespace orvak::test;

namespace {

struct Fallback {
  std::string scene = *readWholeFile("tests/fixtures/scenes/article.scene.json");
  App a{scene.c_str(), true, platform::MicAccess::denied};
  LogTail log;
  std::vector<ReadTiming> ends;

  Fallback() {
    a.app->launch();
    a.vt.drain();
    EXPECT_FALSE(Keys::save("inworld", "inworld-key-123456"));
    a.app->prefs().setVendor(Vendor::inworld);
    a.inworld->autoSpeak.reset();  // it answers only what the test pushes
    a.onDevice->autoSpeak = orvak::testing::ScriptedEngine::Auto{0.5, 0.1};
    a.app->read().onReadEnd = [this](const ReadTiming& t) { ends.push_back(t); };
  }
  // A hotkey read of the selected page on the Inworld voice, 12.5 ms after its key event.
  std::shared_ptr<Player> read() {
    ReadOptions opts;
    opts.earcon = true;
    a.app->trigger("hotkey", 12.5, opts, std::nullopt, std::nullopt, selectedPage(*a.app));
    a.vt.drain();
    return a.app->read().player();
  }
  int count(const std::string& s) {
    a.vt.drain();
    return log.count(s);
  }
};

}  // namespace

TEST(AppFallbackTest, ACloudFailureBeforeAudioIsReadOnDeviceOnceFromTheSameStretch) {
  Fallback f;
  auto failed = f.read();
  ASSERT_NE(failed, nullptr);
  ASSERT_EQ(failed->engine(), f.a.inworld);
  f.a.inworld->error("inworld: unauthorised (HTTP 401)");
  f.a.inworld->error("inworld: second complaint");
  EXPECT_EQ(f.count("fallback to Apple voice after inworld error: inworld: unauthorised (HTTP 401)"), 1);
  auto next = f.a.app->read().player();
  ASSERT_NE(next, nullptr);
  ASSERT_NE(next, failed);
  EXPECT_EQ(next->replaces(), failed);
  EXPECT_EQ(next->engine(), f.a.onDevice);
  EXPECT_FALSE(next->opts().earcon) << "the cue played once, for the read that failed";
  EXPECT_EQ(next->t0(), failed->t0());
  EXPECT_EQ(next->source(), failed->source());
  ASSERT_TRUE(failed->readKey());
  EXPECT_EQ(next->readKey(), failed->readKey());
  EXPECT_EQ(next->startSnippet(), failed->startSnippet());
  ASSERT_TRUE(next->spoken());
  EXPECT_EQ(next->spoken()->text, kSelectedPageText);
  EXPECT_EQ(next->spoken()->from, 16);
  EXPECT_EQ(next->spoken()->capture, failed->spoken()->capture);
  EXPECT_EQ(next->spokenUntil(), 55);
  // The on-device voice is sent the same stretch: sentences 2 and 3 of the page, not the fourth.
  ASSERT_EQ(f.a.onDevice->sent.size(), 2u);
  EXPECT_EQ(f.a.onDevice->sent[0].text, "Second one there.");
  EXPECT_EQ(f.a.onDevice->sent[1].text, "Third one everywhere.");
  EXPECT_TRUE(f.a.onDevice->sent[1].last);

  f.a.vt.advance(5);
  ASSERT_EQ(f.ends.size(), 2u);
  EXPECT_EQ(f.ends[0].endedBy, "fallback");
  EXPECT_EQ(f.ends[0].errors, std::vector<std::string>{"inworld: unauthorised (HTTP 401)"});
  const ReadTiming& r = f.ends[1];
  EXPECT_EQ(r.endedBy, "finished");
  EXPECT_EQ(r.engine, "apple");
  EXPECT_EQ(r.fallbackFrom, "inworld");
  EXPECT_EQ(r.startReason, "fallback");
  EXPECT_EQ(r.trigger, "hotkey");
  EXPECT_EQ(r.hotkeyEventLagMs, 12.5);
  EXPECT_EQ(r.app, "Firefox");
  EXPECT_EQ(r.axAttempts, 2);
  EXPECT_EQ(r.captureStrategy, "article");
  EXPECT_EQ(r.score, 80);
  EXPECT_EQ(r.startSentence, 1);
  EXPECT_EQ(f.count("fallback to Apple voice after "), 1) << "the second complaint starts nothing";
  EXPECT_EQ(f.a.app->read().player(), nullptr);
}

TEST(AppFallbackTest, AFailureAfterAudioOrOfAReplacedReadStartsNoFallback) {
  {
    Fallback f;
    auto playing = f.read();
    ASSERT_NE(playing, nullptr);
    f.a.inworld->audio(1.0, 0);
    f.a.vt.advance(0.5);
    f.a.inworld->error("inworld: stream closed");
    f.a.vt.advance(6);  // nothing more arrives: the quiet time after the error passes
    EXPECT_EQ(f.count("fallback to Apple voice after "), 0);
    ASSERT_EQ(f.ends.size(), 1u);
    EXPECT_EQ(f.ends[0].endedBy, "error");
    EXPECT_TRUE(f.a.onDevice->sent.empty());
  }
  {
    // The failure is on its way when another read replaces this one: the newer read stays.
    Fallback f;
    auto old = f.read();
    ASSERT_NE(old, nullptr);
    f.a.inworld->error("inworld: timed out");
    f.a.app->readText("Something else entirely.");
    auto newer = f.a.app->read().player();
    ASSERT_NE(newer, nullptr);
    ASSERT_NE(newer, old);
    f.a.vt.advance(1);
    EXPECT_EQ(f.count("fallback to Apple voice after "), 0);
    EXPECT_EQ(f.a.app->read().player(), newer);
    for (const auto& sent : f.a.onDevice->sent) EXPECT_NE(sent.text, "Second one there.");
  }
}

TEST(AppFallbackTest, TheVoiceCommandsFollowANewReadWhenReadyOrInDebugControlMode) {
  struct Case {
    bool ready, debugControl, attached;
  };
  for (const auto& c : std::vector<Case>{{false, false, false}, {true, false, true}, {false, true, true}}) {
    std::string scene = *readWholeFile("tests/fixtures/scenes/article.scene.json");
    App a(scene.c_str(), true, platform::MicAccess::denied);
    a.voice = std::make_shared<TraceVoice>();
    a.app->launch();
    a.vt.drain();
    a.voice->isReady = c.ready;
    a.app->prefs().d->set(Prefs::kDebugControlFlag, c.debugControl);
    a.app->readText("One short sentence.");
    a.vt.drain();
    ASSERT_NE(a.app->read().player(), nullptr);
    EXPECT_EQ(traced(a, "voice: attach"), c.attached) << "ready " << c.ready << " debugControl " << c.debugControl;
  }
}

TEST(AppFallbackTest, ThePillSaysTheReadSwitchedToTheOnDeviceVoice) {
  for (const bool developer : {false, true}) {
    Fallback f;
    f.a.app->prefs().d->set(Prefs::kDeveloperFlag, developer);
    ASSERT_NE(f.read(), nullptr);
    f.a.inworld->error("inworld: unauthorised (HTTP 401)");
    f.a.vt.drain();
    EXPECT_EQ(pillText(f.a),
              developer ? "Inworld TTS-2 Flash failed — using the on-device voice" : "Switched to the on-device voice");
  }
}

TEST(AppFallbackTest, TheStatusMenuShowsAReadWithoutACaptureAndItsReplacement) {
  Fallback f;
  f.a.app->readText("A text of its own, read without a page.");
  f.a.vt.drain();
  const auto cloud = f.a.app->read().player();
  ASSERT_NE(cloud, nullptr);
  ASSERT_FALSE(f.a.menuShowed.empty());
  EXPECT_EQ(f.a.menuShowed.back(), cloud.get()) << "the menu shows the read as it starts";
  f.a.inworld->error("inworld: unauthorised (HTTP 401)");
  f.a.vt.drain();
  const auto next = f.a.app->read().player();
  ASSERT_NE(next, nullptr);
  ASSERT_NE(next, cloud);
  EXPECT_EQ(f.a.menuShowed.back(), next.get()) << "and the on-device read that took over";
}

TEST(AppFallbackTest, AFallbackAfterTheCaptureKeepsTheBandOverTheSentenceHeard) {
  Fallback f;
  f.a.doubleTap();
  f.a.vt.advance(1);
  ASSERT_NE(f.a.app->read().player(), nullptr);
  ASSERT_NE(f.a.app->read().highlighter(), nullptr);
  f.a.inworld->error("inworld: unauthorised (HTTP 401)");
  f.a.vt.advance(1.5);
  ASSERT_NE(f.a.app->read().player(), nullptr);
  EXPECT_EQ(f.a.app->read().player()->engine(), f.a.onDevice);
  ASSERT_NE(f.a.app->read().highlighter(), nullptr) << "the replacement reads with a band";
  ASSERT_FALSE(f.a.overlays.empty());
  ASSERT_FALSE(f.a.overlays.back()->shown.empty());
  EXPECT_FALSE(f.a.overlays.back()->shown.back().empty()) << "over the sentence the on-device voice reads";
}

TEST(AppFallbackTest, ACaptureThatFailsAfterTheFallbackEndsTheReplacementToo) {
  Fallback f;
  f.a.holdCaptures = true;  // the page answers only after the engine has failed
  f.a.doubleTap();
  ASSERT_EQ(f.a.heldCaptures.size(), 1u);
  const auto cloud = f.a.app->read().player();
  ASSERT_NE(cloud, nullptr);
  f.a.inworld->error("inworld: unauthorised (HTTP 401)");
  f.a.vt.drain();
  const auto replacement = f.a.app->read().player();
  ASSERT_NE(replacement, nullptr);
  ASSERT_EQ(replacement->replaces(), cloud);
  f.a.heldCaptures.front()(CaptureError::nothingReadable("Firefox", false));
  f.a.vt.advance(1);
  ASSERT_FALSE(f.a.app->read().capturing());
  EXPECT_EQ(f.count("capture error: Nothing readable in Firefox"), 1);
  EXPECT_EQ(f.a.app->read().player(), nullptr) << "no silent read is left behind";
  ASSERT_FALSE(f.ends.empty());
  EXPECT_EQ(f.ends.back().endedBy, "captureError");
  // So the next double tap starts a read rather than only stopping the silent one.
  f.a.doubleTap();
  EXPECT_TRUE(f.a.app->read().capturing());
  EXPECT_EQ(f.a.heldCaptures.size(), 2u);
}
