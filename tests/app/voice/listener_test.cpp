// The microphone listener in virtual time on the simulated input: the detector over tables of
// frame levels, the pre-roll and push-to-talk, injected files, device changes, and that wiring
// the microphone leaves the output playing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/audio/audio_graph.h"
#include "app/voice/listener.h"
#include "core/base/dispatch.h"
#include "platform/audio_file.h"
#include "platform/sim/capture_audio_device.h"
#include "platform/sim/sim_audio_input.h"

namespace orvak {
namespace {

using Event = Listener::Event;
constexpr double kRate = 48000;
constexpr std::size_t kChunk = 480;
constexpr std::uint64_t kMs = 1'000'000;
constexpr float kLoud = -30;   // voiced at a floor near -60
constexpr float kQuiet = -90;  // below every threshold

// A listener on the simulated input, without echo cancellation, recording what it reports.
struct Rig {
  Rig() {
    auto in = std::make_unique<platform::SimAudioInput>(kRate);
    input = in.get();
    listener = Listener::make({std::move(in), nullptr, {}, [this](const std::string& line) { log.push_back(line); }});
    listener->onEvent = [this](const Event& e) { events.push_back(e); };
    listener->onAudio = [this](const audio::PcmBuffer& b) { audio.push_back(b.samples); };
  }

  // Frame i of a run starts at base + i × 10 ms.
  void steps(const std::vector<float>& levels, std::uint64_t base = 1000 * kMs) {
    for (std::size_t i = 0; i < levels.size(); ++i) listener->step(levels[i], base + i * 10 * kMs);
  }
  void enable() {
    listener->setArmed(true);
    listener->setVadEnabled(true);
    vt.drain();
  }
  long count(const std::string& text) const {
    return std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }

  dispatch::VirtualTime vt;
  platform::SimAudioInput* input = nullptr;
  std::shared_ptr<Listener> listener;
  std::vector<Event> events;
  std::vector<std::vector<float>> audio;
  std::vector<std::string> log;
};

struct ListenerFixture : ::testing::Test, Rig {};

TEST(ListenerDetector, ThreeVoicedFramesOfFourStartSpeechDatedToTheFirstOfThem) {
  struct Case {
    const char* name;
    std::vector<bool> voiced;
    int onsetFrame;  // -1: no onset; else the frame the onset is dated to
  };
  const std::vector<Case> cases = {
      {"one loud frame", {false, false, true, false, false}, -1},
      {"two of four", {false, true, false, true}, -1},
      {"two of four again", {true, false, false, true, false, true}, -1},
      {"false true true true", {false, true, true, true}, 1},
      {"true true false true", {true, true, false, true}, 0},
      {"three in a row after quiet", {false, false, false, true, true, true}, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig f;
    f.enable();
    std::vector<float> levels;
    for (bool v : c.voiced) levels.push_back(v ? kLoud : kQuiet);
    f.steps(levels);
    if (c.onsetFrame < 0) {
      EXPECT_TRUE(f.events.empty());
    } else {
      ASSERT_EQ(f.events.size(), 1u);
      EXPECT_EQ(f.events[0].kind, Event::Kind::onset);
      EXPECT_EQ(f.events[0].hostNs, 1000 * kMs + static_cast<std::uint64_t>(c.onsetFrame) * 10 * kMs);
      EXPECT_EQ(f.events[0].db, kLoud);
    }
  }
}

TEST(ListenerThresholds, FollowTheFloorDownToTheirAbsoluteBounds) {
  const Listener::Config config;
  struct Case {
    float floor, voiced, keepAlive;
  };
  for (const auto& c : std::vector<Case>{{-60, -46, -52}, {-80, -52, -56}, {-70, -52, -56}, {-40, -26, -32}, {-120, -52, -56}}) {
    SCOPED_TRACE(c.floor);
    EXPECT_FLOAT_EQ(Listener::voicedThreshold(config, c.floor), c.voiced);
    EXPECT_FLOAT_EQ(Listener::keepAliveThreshold(config, c.floor), c.keepAlive);
  }
}

TEST(ListenerDetector, OnsetsNeedArmedAndEnabledWhileTheFloorMovesRegardless) {
  const std::vector<float> levels = {-70, -75, kLoud, kLoud, kLoud};  // the onset comes with the last
  std::vector<float> floors;
  for (const auto& [armed, enabled] : std::vector<std::pair<bool, bool>>{{false, false}, {true, false}, {false, true}, {true, true}}) {
    Rig f;
    f.listener->setArmed(armed);
    f.listener->setVadEnabled(enabled);
    f.vt.drain();
    f.steps(levels);
    EXPECT_EQ(f.events.size(), armed && enabled ? 1u : 0u) << armed << enabled;
    floors.push_back(f.listener->floorDb());
  }
  EXPECT_LT(floors[0], -60);
  EXPECT_TRUE(std::all_of(floors.begin(), floors.end(), [&](float v) { return v == floors[0]; }));
}

TEST_F(ListenerFixture, UtterancesEndAfterTheHangOrAtTheLengthLimit) {
  enable();
  // Voiced from frame 0 to frame 10 (100 ms of speech), then quiet.
  std::vector<float> levels(11, kLoud);
  levels.resize(200, kQuiet);
  steps(levels);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, Event::Kind::onset);
  EXPECT_EQ(events[1], Event::tooShort(1000 * kMs + 85 * 10 * kMs, 100));  // 750 ms after frame 10
  EXPECT_FALSE(listener->inSpeech());

  // Talking through: cut at the first frame 12,000 ms after the start, though still voiced.
  events.clear();
  steps(std::vector<float>(1202, kLoud), 10'000 * kMs);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1], Event::end(10'000 * kMs + 1200 * 10 * kMs, 12'000));
}

TEST_F(ListenerFixture, SilenceReadsMinus120AndPullsTheFloorAFifthOfTheGapPerFrame) {
  ASSERT_EQ(listener->start(), std::nullopt);
  listener->ingest(std::vector<float>(kChunk, 0.0f), 0);
  EXPECT_FLOAT_EQ(listener->lastDb(), -120);
  EXPECT_FLOAT_EQ(listener->floorDb(), -72);  // -60 + (-120 + 60) / 5
  listener->ingest(std::vector<float>(kChunk, 0.0f), 10 * kMs);
  EXPECT_FLOAT_EQ(listener->floorDb(), -81.6f);
  // A sine at amplitude 0.1 has a mean square of 0.005: about -23 dB.
  std::vector<float> tone(kChunk);
  for (std::size_t i = 0; i < kChunk; ++i) tone[i] = 0.1f * static_cast<float>(std::sin(2 * M_PI * 500 * i / kRate));
  listener->ingest(tone, 20 * kMs);
  EXPECT_NEAR(listener->lastDb(), -23.01, 0.01);
  EXPECT_EQ(listener->framesSeen(), 3);
}

TEST_F(ListenerFixture, ChunksOfOddSizesAreCutIntoWholeTenMillisecondFrames) {
  ASSERT_EQ(listener->start(), std::nullopt);
  listener->ingest(std::vector<float>(700, 0.0f), 0);
  EXPECT_EQ(listener->framesSeen(), 1);
  listener->ingest(std::vector<float>(300, 0.0f), 0);
  EXPECT_EQ(listener->framesSeen(), 2);
  listener->ingest(std::vector<float>(400, 0.0f), 0);
  EXPECT_EQ(listener->framesSeen(), 2);
}

TEST_F(ListenerFixture, PushToTalkHandsOverTheBoundedPreRollFirstAndEmitsNothing) {
  ASSERT_EQ(listener->start(), std::nullopt);
  enable();
  // 50 quiet chunks, each marked by its number; the pre-roll keeps the last 350 ms (35 chunks).
  for (int i = 0; i < 50; ++i) listener->ingest(std::vector<float>(kChunk, 1e-5f * static_cast<float>(i)), static_cast<std::uint64_t>(i) * 10 * kMs);
  EXPECT_TRUE(audio.empty());
  listener->beginPTT();
  vt.drain();
  ASSERT_EQ(audio.size(), 35u);
  EXPECT_FLOAT_EQ(audio.front()[0], 1e-5f * 15);
  EXPECT_FLOAT_EQ(audio.back()[0], 1e-5f * 49);
  // Loud speech during push-to-talk: everything goes over, nothing is detected.
  for (int i = 0; i < 100; ++i) listener->ingest(std::vector<float>(kChunk, 0.3f), (50 + static_cast<std::uint64_t>(i)) * 10 * kMs);
  EXPECT_EQ(audio.size(), 135u);
  EXPECT_TRUE(events.empty());
  listener->endPTT();
  vt.drain();
  for (int i = 0; i < 10; ++i) listener->ingest(std::vector<float>(kChunk, 0.3f), (150 + static_cast<std::uint64_t>(i)) * 10 * kMs);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].kind, Event::Kind::onset);
}

TEST_F(ListenerFixture, AnOnsetHandsOverThePreRollThenTheUtterance) {
  ASSERT_EQ(listener->start(), std::nullopt);
  enable();
  for (int i = 0; i < 10; ++i) listener->ingest(std::vector<float>(kChunk, 0.0f), static_cast<std::uint64_t>(i) * 10 * kMs);
  for (int i = 10; i < 13; ++i) listener->ingest(std::vector<float>(kChunk, 0.3f), static_cast<std::uint64_t>(i) * 10 * kMs);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].hostNs, 100 * kMs);
  EXPECT_EQ(audio.size(), 13u);  // the ten quiet chunks and the three loud ones, in order
  EXPECT_FLOAT_EQ(audio[9][0], 0.0f);
  EXPECT_FLOAT_EQ(audio[10][0], 0.3f);
}

TEST_F(ListenerFixture, AnInjectedFileIsScaledToItsPeakAndReportsItsLeadSample) {
  // 1500 samples of a faint signal under the lead level, then the peak.
  std::vector<float> samples(3000, 0.0f);
  for (std::size_t i = 1000; i < 1500; ++i) samples[i] = 0.01f;
  samples[1500] = 0.5f;
  samples[1501] = -0.25f;
  const auto file = std::filesystem::temp_directory_path() / "listener-inject.wav";
  platform::writeWavFile(file, {kRate, samples});

  EXPECT_FALSE(listener->injectFile(file, -6));  // not started
  ASSERT_EQ(listener->start(), std::nullopt);
  EXPECT_FALSE(listener->injectFile(file.string() + ".missing", -6));
  std::optional<std::uint64_t> injectedAt;
  listener->onInjectStart = [&](std::uint64_t ns) { injectedAt = ns; };
  const std::uint64_t opened = dispatch::monotonicNanos();
  listener->beginPTT();
  ASSERT_TRUE(listener->injectFile(file, -6));
  vt.advance(0.1);
  std::vector<float> heard;
  for (const auto& b : audio) heard.insert(heard.end(), b.begin(), b.end());
  ASSERT_GE(heard.size(), 3000u);
  const float peak = std::pow(10.0f, -6.0f / 20);
  EXPECT_NEAR(heard[1500], peak, 1e-3);
  EXPECT_NEAR(heard[1501], -peak / 2, 1e-3);
  EXPECT_NEAR(heard[1200], 0.01f * peak / 0.5f, 1e-4);
  // Sample 1500 lies 60 samples into the fourth 10 ms chunk.
  ASSERT_TRUE(injectedAt.has_value());
  EXPECT_EQ(*injectedAt, opened + 30 * kMs + 1'250'000);
  std::filesystem::remove(file);
}

TEST_F(ListenerFixture, ADeviceChangeToNoInputLogsOnceAndLeavesItDeafUntilAnInputReturns) {
  ASSERT_EQ(listener->start(), std::nullopt);
  vt.advance(0.1);
  EXPECT_EQ(listener->framesSeen(), 10);
  input->setSource(std::nullopt);
  listener->reconnect();
  EXPECT_EQ(count("listener: no mic input after the device change"), 1);
  vt.advance(1);
  EXPECT_EQ(listener->framesSeen(), 10);
  input->setSource(44100);
  listener->reconnect();
  EXPECT_EQ(count("listener: reconnected, input <1 ch, 44100 Hz, Float32>"), 1);
  EXPECT_EQ(listener->format(), audio::AudioFormat::mono(44100));
  vt.advance(0.1);
  EXPECT_EQ(listener->framesSeen(), 20);
  EXPECT_EQ(count("no mic input"), 1);
}

TEST_F(ListenerFixture, WithoutAnInputStartFailsAndALaterStartTriesAgain) {
  input->setSource(std::nullopt);
  const auto error = listener->start();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->rfind("microphone: ", 0), 0u);
  EXPECT_FALSE(listener->running());
  input->setSource(kRate);
  EXPECT_EQ(listener->start(), std::nullopt);
  EXPECT_TRUE(listener->running());
}

// Records what reaches it, and cancels nothing.
struct RecordingCanceller final : platform::EchoCanceller {
  explicit RecordingCanceller(double rate, std::shared_ptr<std::vector<float>> far) : rate_(rate), far_(std::move(far)) {}
  void render(std::span<const float> samples) override { far_->insert(far_->end(), samples.begin(), samples.end()); }
  void capture(std::span<float>) override {}
  double sampleRate() const override { return rate_; }
  double rate_;
  std::shared_ptr<std::vector<float>> far_;
};

TEST(ListenerWiring, StartingTheMicrophoneMidReadKeepsTheOutputPlaying) {
  for (const bool cancellerWorks : {true, false}) {
    SCOPED_TRACE(cancellerWorks);
    dispatch::VirtualTime vt;
    auto tape = std::make_shared<platform::AudioTape>();
    auto graph = AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape), [](const std::string&) {});
    graph->ensure(24000);
    graph->node()->scheduleBuffer({audio::AudioFormat::mono(24000), std::vector<float>(48000, 0.25f)});
    graph->node()->play();
    vt.advance(0.5);
    const auto before = tape->frameCount();

    auto far = std::make_shared<std::vector<float>>();
    std::vector<std::string> log;
    auto listener = Listener::make(
        {std::make_unique<platform::SimAudioInput>(kRate), graph,
         [&](double rate) -> std::unique_ptr<platform::EchoCanceller> {
           if (!cancellerWorks) throw platform::EchoCancellerError("unsupported here");
           return std::make_unique<RecordingCanceller>(rate, far);
         },
         [&](const std::string& line) { log.push_back(line); }});
    ASSERT_EQ(listener->start(), std::nullopt);
    vt.advance(0.5);
    EXPECT_TRUE(graph->engine().isRunning());
    EXPECT_TRUE(graph->node()->isPlaying());
    EXPECT_EQ(tape->opens(), 1);  // never reopened: the output was not rebuilt
    EXPECT_EQ(tape->frameCount(), before + 22050);
    EXPECT_TRUE(graph->micAttached());
    EXPECT_EQ(listener->voiceProcessing(), cancellerWorks);
    ASSERT_EQ(log.size(), cancellerWorks ? 1u : 2u);
    EXPECT_EQ(log.back(), std::string("listener: vp=") + (cancellerWorks ? "true" : "false") +
                              " input format <1 ch, 48000 Hz, Float32>");
    if (cancellerWorks) {
      // Half a second of the mix, brought to the microphone's rate: the far end.
      EXPECT_NEAR(static_cast<double>(far->size()), 24000, 100);
      EXPECT_NEAR(far->at(far->size() / 2), 0.25f, 0.01f);
    } else {
      EXPECT_NE(log.front().find("listener: no echo cancellation"), std::string::npos);
    }
  }
}

TEST(ListenerOutput, DeviceNameIsQuestionMarkWithoutOne) {
  struct NoHardware final : platform::AudioHardware {
    std::optional<platform::OutputDevice> defaultOutput() override { return out; }
    std::vector<platform::RecordingProcess> recordingProcesses() override { return {}; }
    void watch(std::function<void()>) override {}
    std::optional<platform::OutputDevice> out;
  } hardware;
  EXPECT_EQ(Listener::outputDeviceName(hardware), "?");
  hardware.out = platform::OutputDevice{3, "", "pci", false};
  EXPECT_EQ(Listener::outputDeviceName(hardware), "?");
  hardware.out = platform::OutputDevice{3, "Built-in Audio Analog Stereo", "pci", false};
  EXPECT_EQ(Listener::outputDeviceName(hardware), "Built-in Audio Analog Stereo");
}

}  // namespace
}  // namespace orvak
