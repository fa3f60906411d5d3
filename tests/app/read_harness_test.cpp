// Starting players and the hand-over of a failed network read to the on-device voice, in virtual
// time with scripted engines.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/read_harness.h"
#include "core/base/dispatch.h"
#include "platform/defaults.h"
#include "platform/sim/capture_audio_device.h"
#include "tests/app/scripted_engine.h"
#include "tests/support/temp_home.h"

namespace orvak {
namespace {

using testing::ScriptedEngine;

struct HarnessTest : ::testing::Test {
  HarnessTest() {
    graph = AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape), [](const std::string&) {});
    inworld->autoSpeak.reset();
    onDevice->autoSpeak = ScriptedEngine::Auto{0.5, 0.1};
    harness = ReadHarness::make(
        prefs,
        [this](Vendor v) -> std::shared_ptr<SpeechEngine> {
          if (v == Vendor::onDevice) return onDevice;
          return inworld;
        },
        graph);
    harness->onEnd = [this](const std::shared_ptr<Player>& p, const ReadTiming& r) { ends.push_back({p, r}); };
    harness->onFallback = [this](const std::shared_ptr<Player>& failed, const std::shared_ptr<Player>& next) {
      fallbacks.push_back({failed, next});
    };
  }

  std::shared_ptr<Player> startRead(const std::string& text, int from, std::optional<int> until) {
    ReadOptions opts;
    opts.earcon = true;
    auto p = harness->startPlayer(Vendor::inworld, "hotkey", dispatch::monotonicNanos(), 12.5, opts);
    p->setSource({"Firefox", "Rivers", std::string("https://example.org/rivers")});
    p->setReadKey(std::string("key-1"));
    p->setStartSnippet("Second one");
    auto capture = std::make_shared<Capture>();
    capture->appName = "Firefox";
    capture->bundleId = "org.mozilla.firefox";
    capture->axWalkTotalMs = 40;
    capture->attempts = 2;
    capture->cleanMs = 5;
    capture->clean.regionStrategy = "article";
    capture->clean.score.score = 80;
    p->speak(text, capture, from, "viewport", until);
    vt.drain();
    return p;
  }

  dispatch::VirtualTime vt;
  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  std::shared_ptr<AudioGraph> graph;
  Prefs prefs{std::make_shared<platform::Defaults>(test::freshDir("prefs") / "defaults.json")};
  std::shared_ptr<ScriptedEngine> inworld = std::make_shared<ScriptedEngine>(Vendor::inworld);
  std::shared_ptr<ScriptedEngine> onDevice = std::make_shared<ScriptedEngine>(Vendor::onDevice, 22050);
  std::shared_ptr<ReadHarness> harness;
  std::vector<std::pair<std::shared_ptr<Player>, ReadTiming>> ends;
  std::vector<std::pair<std::shared_ptr<Player>, std::shared_ptr<Player>>> fallbacks;
};

const std::string kText = "First one here. Second one there. Third one everywhere. Fourth and last.";

TEST_F(HarnessTest, ACloudFailureBeforeAudioIsReadOnDeviceOnceFromTheSameStretch) {
  auto failed = startRead(kText, 16, 55);
  inworld->error("inworld: unauthorised (HTTP 401)");
  inworld->error("inworld: second complaint");
  vt.drain();
  ASSERT_EQ(fallbacks.size(), 1u);
  auto next = fallbacks[0].second;
  EXPECT_EQ(fallbacks[0].first, failed);
  EXPECT_EQ(harness->current(), next);
  EXPECT_EQ(next->replaces(), failed);
  EXPECT_EQ(next->engine(), onDevice);
  EXPECT_FALSE(next->opts().earcon);
  EXPECT_EQ(next->t0(), failed->t0());
  EXPECT_EQ(next->source(), failed->source());
  EXPECT_EQ(next->readKey(), "key-1");
  EXPECT_EQ(next->startSnippet(), "Second one");
  ASSERT_TRUE(next->spoken());
  EXPECT_EQ(next->spoken()->text, kText);
  EXPECT_EQ(next->spoken()->from, 16);
  EXPECT_EQ(next->spoken()->capture, failed->spoken()->capture);
  EXPECT_EQ(next->spokenUntil(), 55);
  // The on-device voice is sent the same stretch: sentences 2 and 3 of the page, not the fourth.
  ASSERT_EQ(onDevice->sent.size(), 2u);
  EXPECT_EQ(onDevice->sent[0].text, "Second one there.");
  EXPECT_TRUE(onDevice->sent[1].last);

  vt.advance(3);
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0].second.endedBy, "fallback");
  EXPECT_EQ(ends[0].second.errors, std::vector<std::string>{"inworld: unauthorised (HTTP 401)"});
  const ReadTiming& r = ends[1].second;
  EXPECT_EQ(ends[1].first, next);
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
  EXPECT_EQ(fallbacks.size(), 1u);
}

TEST_F(HarnessTest, AFailureAfterAudioOrOfAReplacedReadStartsNoFallback) {
  auto playing = startRead(kText, 0, std::nullopt);
  inworld->audio(1.0, 0);
  vt.advance(0.5);
  inworld->error("inworld: stream closed");
  vt.advance(6);  // nothing more arrives: the quiet time after the error passes
  EXPECT_TRUE(fallbacks.empty());
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].second.endedBy, "error");

  // A read the user already replaced by another does not come back as a fallback.
  auto old = startRead(kText, 0, std::nullopt);
  auto newer = harness->startPlayer(Vendor::onDevice, "menu", dispatch::monotonicNanos(), 0, {});
  old->ttsError("inworld: timed out");
  vt.drain();
  EXPECT_TRUE(fallbacks.empty());
  EXPECT_EQ(harness->current(), newer);
  newer->stop("test");
  vt.drain();
}

TEST_F(HarnessTest, TheVoiceControllerIsAttachedWhenReadyOrInDebugControlMode) {
  std::vector<std::shared_ptr<Player>> attached;
  harness->attachVoice = [&](const std::shared_ptr<Player>& p) {
    attached.push_back(p);
    p->setOnPlaybackStarted([] {});
  };
  bool ready = false;
  harness->voiceReady = [&] { return ready; };
  auto a = harness->startPlayer(Vendor::onDevice, "hotkey", dispatch::monotonicNanos(), 0, {});
  EXPECT_TRUE(attached.empty());
  ready = true;
  auto b = harness->startPlayer(Vendor::onDevice, "hotkey", dispatch::monotonicNanos(), 0, {});
  ready = false;
  prefs.d->set(Prefs::kDebugControlFlag, true);
  auto c = harness->startPlayer(Vendor::onDevice, "hotkey", dispatch::monotonicNanos(), 0, {});
  EXPECT_EQ(attached, (std::vector<std::shared_ptr<Player>>{b, c}));
  for (auto& p : {a, b, c}) p->stop("test");
  vt.drain();
}

}  // namespace
}  // namespace orvak
