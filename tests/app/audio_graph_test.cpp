// The shared graph's ownership, idle stop, rebuilds and clips, in virtual time on the capture
// device.
#include "app/audio/audio_graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "core/base/dispatch.h"
#include "platform/sim/capture_audio_device.h"
#include "tests/support/fakes.h"

namespace orvak {
namespace {

using test::UnavailableDevice;

struct GraphFixture : ::testing::Test {
  GraphFixture() {
    graph = AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape),
                             [this](const std::string& line) { log.push_back(line); });
  }
  bool running() { return graph->engine().isRunning(); }

  dispatch::VirtualTime vt;
  std::shared_ptr<dispatch::Queue> queue = dispatch::makeQueue("orvak.player");
  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  std::vector<std::string> log;
  std::shared_ptr<AudioGraph> graph;
  int playerA = 0, playerB = 0;  // identities only
};

TEST_F(GraphFixture, NothingIsBuiltOrStartedBeforeTheFirstEnsure) {
  EXPECT_EQ(graph->sampleRate(), 0);
  EXPECT_FALSE(graph->format().has_value());
  EXPECT_FALSE(running());
  graph->claim(&playerA);
  EXPECT_FALSE(running());
  vt.advance(1);
  EXPECT_EQ(tape->opens(), 0);
}

TEST_F(GraphFixture, EnsureBuildsOnceAndLogsOneLinePerRebuild) {
  graph->ensure(24000);
  EXPECT_TRUE(running());
  EXPECT_EQ(graph->sampleRate(), 24000);
  EXPECT_EQ(graph->format(), audio::AudioFormat::mono(24000));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(
      log[0],
      "audio engine (re)started @24000 Hz running=true mic=false out=<2 ch, 44100 Hz, Float32, interleaved> in 0 ms");

  vt.advance(0.5);
  EXPECT_EQ(graph->ensure(24000), 0.0);
  EXPECT_EQ(log.size(), 1u);
  EXPECT_EQ(tape->opens(), 1);

  graph->setMicAttached(true);
  graph->ensure(44100);
  EXPECT_EQ(graph->format(), audio::AudioFormat::mono(44100));
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].rfind("audio engine (re)started @44100 Hz running=true mic=true out=", 0), 0u) << log[1];
  EXPECT_EQ(tape->opens(), 2);
}

TEST_F(GraphFixture, ReleaseByTheOwnerStopsTheSpeechNodeAndTheEngineAfterTheIdleDelay) {
  graph->claim(&playerA);
  graph->ensure(24000);
  graph->node()->scheduleBuffer({*graph->format(), std::vector<float>(24000 * 60, 0.1f)});
  graph->node()->play();
  vt.advance(0.1);
  graph->release(&playerA, 30, *queue);
  EXPECT_FALSE(graph->node()->isPlaying());
  EXPECT_TRUE(running());  // the cue path and the engine stay until the idle stop
  vt.advance(29.9);
  EXPECT_TRUE(running());
  vt.advance(0.2);
  EXPECT_FALSE(running());
  EXPECT_EQ(graph->sampleRate(), 0);
  // The next ensure at the same rate rebuilds.
  graph->ensure(24000);
  EXPECT_TRUE(running());
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(GraphFixture, OnlyTheCurrentOwnerCanReleaseAndAClaimCancelsAPendingStop) {
  graph->claim(&playerA);
  graph->ensure(24000);
  graph->claim(&playerB);               // the last claimer wins
  graph->release(&playerA, 1, *queue);  // a former owner: nothing happens
  graph->release(nullptr, 1, *queue);
  vt.advance(5);
  EXPECT_TRUE(running());

  graph->release(&playerB, 1, *queue);
  vt.advance(0.5);
  graph->claim(&playerA);  // before the delay ran out
  vt.advance(5);
  EXPECT_TRUE(running());

  graph->release(&playerA, 1, *queue);
  graph->release(&playerA, 1, *queue);  // no longer the owner the second time
  vt.advance(1.1);
  EXPECT_FALSE(running());
}

TEST_F(GraphFixture, IdleStopDoesNothingWhileSomeoneOwnsThePath) {
  graph->ensure(24000);
  graph->claim(&playerA);
  graph->releaseIfIdle(1, dispatch::main());
  vt.advance(2);
  EXPECT_TRUE(running());
}

TEST_F(GraphFixture, ReleaseIfIdleTwiceLeavesOneStopTimedFromTheSecondCall) {
  graph->ensure(24000);
  graph->releaseIfIdle(1, dispatch::main());
  vt.advance(0.5);
  graph->releaseIfIdle(1, dispatch::main());
  vt.advance(0.9);  // 1.4 s after the first call
  EXPECT_TRUE(running());
  vt.advance(0.2);
  EXPECT_FALSE(running());
}

TEST_F(GraphFixture, EnsureCancelsAPendingIdleStop) {
  graph->ensure(24000);
  graph->releaseIfIdle(1, dispatch::main());
  vt.advance(0.5);
  EXPECT_EQ(graph->ensure(24000), 0.0);
  vt.advance(5);
  EXPECT_TRUE(running());
}

TEST_F(GraphFixture, QueueClipCompletesOnTheMainQueueOnlyAfterTheClipWasHeard) {
  graph->ensure(24000);
  const std::vector<float> clip(4410, 0.5f);  // 0.1 s
  int done = 0;
  bool onMain = false;
  std::uint64_t framesAtDone = 0;
  graph->queueClip(clip, [&] {
    ++done;
    onMain = dispatch::main().isCurrent();
    framesAtDone = tape->frameCount();
  });
  vt.advance(0.09);
  EXPECT_EQ(done, 0);
  vt.advance(0.03);
  EXPECT_EQ(done, 1);
  EXPECT_TRUE(onMain);
  const auto left = tape->channel(0);
  EXPECT_EQ(std::count(left.begin(), left.end(), 0.5f), 4410);
  EXPECT_GE(framesAtDone, 4410u);
  vt.advance(1);
  EXPECT_EQ(done, 1);
}

TEST_F(GraphFixture, QueueClipThatCannotPlayStillCompletesOnceLaterOnTheMainQueue) {
  int done = 0;
  bool onMain = false;
  auto note = [&] {
    ++done;
    onMain = dispatch::main().isCurrent();
  };
  graph->queueClip({0.5f, 0.5f}, note);  // engine not running
  EXPECT_EQ(done, 0);                    // never synchronously
  vt.drain();
  EXPECT_EQ(done, 1);
  EXPECT_TRUE(onMain);

  graph->ensure(24000);
  graph->queueClip({}, note);  // empty clip
  EXPECT_EQ(done, 1);
  vt.drain();
  EXPECT_EQ(done, 2);
  vt.advance(1);
  EXPECT_EQ(done, 2);
  EXPECT_EQ(tape->channel(0), std::vector<float>(tape->frameCount(), 0.0f));
}

TEST_F(GraphFixture, AClipCutShortByARebuildOrAnIdleStopCompletesExactlyOnce) {
  graph->ensure(24000);
  int done = 0;
  graph->queueClip(std::vector<float>(44100 * 2, 0.2f), [&] { ++done; });
  vt.advance(0.2);
  graph->ensure(44100);  // rebuild at a new rate drops the clip
  vt.advance(3);
  EXPECT_EQ(done, 1);

  graph->queueClip(std::vector<float>(44100 * 2, 0.2f), [&] { ++done; });
  graph->releaseIfIdle(0.5, dispatch::main());
  vt.advance(3);
  EXPECT_FALSE(running());
  EXPECT_EQ(done, 2);

  graph->ensure(24000);
  graph->queueClip(std::vector<float>(44100 * 2, 0.2f), [&] { ++done; });
  graph->forceRebuild();
  EXPECT_EQ(graph->sampleRate(), 0);
  vt.advance(3);
  EXPECT_EQ(done, 3);
}

TEST_F(GraphFixture, ACueIsMixedOverAClipAndReplacesOnlyTheCueBeforeIt) {
  EXPECT_FALSE(graph->playCue(std::vector<float>(10, 0.3f)));  // engine not running
  graph->ensure(24000);
  EXPECT_FALSE(graph->playCue({}));
  int clipDone = 0;
  graph->queueClip(std::vector<float>(44100, 0.1f), [&] { ++clipDone; });
  vt.advance(0.05);
  EXPECT_TRUE(graph->playCue(std::vector<float>(44100, 0.25f)));
  vt.advance(0.05);
  EXPECT_TRUE(graph->playCue(std::vector<float>(441, 0.3f)));  // the newer cue cuts the older one
  vt.advance(0.5);
  EXPECT_EQ(clipDone, 0);  // the clip plays its whole second
  vt.advance(0.6);
  EXPECT_EQ(clipDone, 1);
  const auto left = tape->channel(0);
  const auto near = [&](float v) {
    return std::count_if(left.begin(), left.end(), [v](float s) { return std::abs(s - v) < 1e-4f; });
  };
  EXPECT_EQ(near(0.4f), 441);    // the second cue over the clip
  EXPECT_GT(near(0.35f), 2000);  // the first cue over the clip, until the second one replaced it
  EXPECT_LT(near(0.35f), 44100 / 10);
  EXPECT_GT(near(0.1f), 40000);  // the clip alone, before and after the cues
}

TEST(GraphStartFailure, IsLoggedTheGraphReportsNotRunningAndClipsCompleteAtOnce) {
  dispatch::VirtualTime vt;
  std::vector<std::string> log;
  // An output that vanished.
  auto graph = AudioGraph::make(std::make_unique<UnavailableDevice>("gone", "gone: no such device"),
                                [&](const std::string& l) { log.push_back(l); });
  graph->ensure(24000);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "audio engine start failed: gone: no such device");
  EXPECT_TRUE(std::regex_match(
      log[1], std::regex(R"(audio engine \(re\)started @24000 Hz running=false mic=false out=<.*> in \d+ ms)")))
      << log[1];
  EXPECT_FALSE(graph->engine().isRunning());
  int done = 0;
  graph->queueClip({0.1f}, [&] { ++done; });
  vt.drain();
  EXPECT_EQ(done, 1);
  // Not running, so the same rate is tried again.
  graph->ensure(24000);
  EXPECT_EQ(log.size(), 4u);
}

TEST(GraphRate, ANonsenseRateIsTakenAs24000) {
  dispatch::VirtualTime vt;
  auto tape = std::make_shared<platform::AudioTape>();
  auto graph = AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape), [](const std::string&) {});
  for (double rate : {0.0, -44100.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    graph->forceRebuild();
    graph->ensure(rate);
    EXPECT_EQ(graph->sampleRate(), 24000) << rate;
  }
}

}  // namespace
}  // namespace orvak
