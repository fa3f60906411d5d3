// Voice samples on the graph's cue node: starting and idling the engine, never rebuilding a
// running one, and reporting the end only once it was heard.
#include "app/audio/sample_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/base/dispatch.h"
#include "platform/sim/capture_audio_device.h"

namespace orvak::audio {
namespace {

struct SamplePlayerTest : ::testing::Test {
  std::size_t heardAt(float value) {
    const auto left = tape->channel(0);
    return static_cast<std::size_t>(std::count(left.begin(), left.end(), value));
  }

  dispatch::VirtualTime vt;
  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  std::shared_ptr<AudioGraph> graph =
      AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape), [](const std::string&) {});
  SamplePlayer player{*graph};
};

TEST_F(SamplePlayerTest, StartsAStoppedEngineReportsTheEndOnceHeardAndLetsTheEngineIdle) {
  int heard = 0;
  std::size_t renderedAtEnd = 0;
  ASSERT_TRUE(player.play(std::vector<float>(22050, 0.5f), [&] {
    ++heard;
    renderedAtEnd = heardAt(0.5f);
  }));
  EXPECT_TRUE(graph->engine().isRunning());
  vt.advance(0.45);
  EXPECT_EQ(heard, 0);
  vt.advance(0.1);
  EXPECT_EQ(heard, 1);
  EXPECT_EQ(renderedAtEnd, 22050u);  // every sample was rendered before the end was told
  vt.advance(SamplePlayer::kIdleAfter - 0.5);
  EXPECT_TRUE(graph->engine().isRunning());
  vt.advance(1);
  EXPECT_FALSE(graph->engine().isRunning());
  EXPECT_EQ(heard, 1);
}

TEST_F(SamplePlayerTest, ARunningEngineIsNotRebuiltAndAPendingIdleStopDoesNotCutTheSample) {
  graph->ensure(22050);
  graph->node()->scheduleBuffer({AudioFormat::mono(22050), std::vector<float>(22050 * 10, 0.25f)});
  graph->node()->play();
  vt.advance(0.1);
  // An idle stop due in one second, as after a read's end.
  graph->releaseIfIdle(1, dispatch::main());
  int heard = 0;
  ASSERT_TRUE(player.play(std::vector<float>(44100 * 3, 0.5f), [&] { ++heard; }));
  EXPECT_EQ(graph->sampleRate(), 22050);
  EXPECT_EQ(tape->opens(), 1);
  vt.advance(3.05);
  EXPECT_EQ(heard, 1);
  // The sample over the speech, in full.
  const auto left = tape->channel(0);
  EXPECT_EQ(std::count_if(left.begin(), left.end(), [](float v) { return v > 0.7f; }), 44100 * 3);
  EXPECT_TRUE(graph->engine().isRunning());
}

TEST_F(SamplePlayerTest, StopAndANewSampleEndTheOldOneAtOnce) {
  std::vector<int> heard(3, 0);
  ASSERT_TRUE(player.play(std::vector<float>(44100 * 5, 0.5f), [&] { ++heard[0]; }));
  vt.advance(0.5);
  ASSERT_TRUE(player.play(std::vector<float>(44100 * 5, 0.25f), [&] { ++heard[1]; }));
  vt.drain();
  EXPECT_EQ(heard, (std::vector<int>{1, 0, 0}));
  vt.advance(0.5);
  player.stop();
  vt.drain();
  EXPECT_EQ(heard, (std::vector<int>{1, 1, 0}));
  const auto before = tape->frameCount();
  vt.advance(1);
  const auto left = tape->channel(0);
  EXPECT_TRUE(std::all_of(left.begin() + static_cast<std::ptrdiff_t>(before), left.end(), [](float v) { return v == 0; }));
  // The first sample's end, told late, does not shorten the idle delay the second one armed.
  EXPECT_TRUE(graph->engine().isRunning());
}

TEST_F(SamplePlayerTest, NothingToPlayOrNoDeviceIsRefused) {
  bool heard = false;
  EXPECT_FALSE(player.play({}, [&] { heard = true; }));
  struct Gone final : platform::AudioDevice {
    std::string name() const override { return "gone"; }
    void open(const platform::AudioFormat&) override { throw platform::AudioDeviceError("gone"); }
    void close() override {}
    void write(std::span<const float>) override {}
    std::uint64_t framesPlayed() const override { return 0; }
    double latencySeconds() const override { return 0; }
    bool paced() const override { return false; }
  };
  auto silent = AudioGraph::make(std::make_unique<Gone>(), [](const std::string&) {});
  SamplePlayer nowhere{*silent};
  EXPECT_FALSE(nowhere.play(std::vector<float>(100, 0.5f), [&] { heard = true; }));
  vt.advance(1);
  EXPECT_FALSE(heard);
}

}  // namespace
}  // namespace orvak::audio
