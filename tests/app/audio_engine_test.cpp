// The engine in virtual time on the capture device: what the device received is the truth the
// node's clock and completions are checked against.
#include <gtest/gtest.h>
#include <ostream>
#include <algorithm>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <numbers>
#include <string>
#include <vector>

#include "app/audio/audio_engine.h"
#include "core/base/dispatch.h"
#include "platform/sim/capture_audio_device.h"
#include "tests/support/fakes.h"

namespace orvak::audio {
namespace {

constexpr double kOut = 44100;
constexpr std::size_t kCycle = 441;  // frames per 10 ms render cycle

std::vector<float> ramp(std::size_t n, float from = 0.001f) {
  std::vector<float> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = from + static_cast<float>(i) * 1e-5f;
  return v;
}

std::vector<float> sine(double hz, double rate, std::size_t n, float level = 0.5f) {
  std::vector<float> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = level * static_cast<float>(std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate));
  return v;
}

std::vector<float> withoutSilence(const std::vector<float>& v) {
  std::vector<float> out;
  for (float s : v) {
    if (s != 0.0f) out.push_back(s);
  }
  return out;
}

// Upward zero crossings per second over [from, to) of a mono signal.
double pitchOf(const std::vector<float>& v, std::size_t from, std::size_t to, double rate) {
  int crossings = 0;
  std::size_t first = 0, last = 0;
  for (std::size_t i = from + 1; i < to; ++i) {
    if (v[i - 1] < 0 && v[i] >= 0) {
      if (crossings == 0) first = i;
      last = i;
      ++crossings;
    }
  }
  return crossings < 2 ? 0 : (crossings - 1) * rate / static_cast<double>(last - first);
}

struct EngineFixture : ::testing::Test {
  explicit EngineFixture(std::uint64_t latencyFrames = 0)
      : engine(std::make_unique<platform::CaptureAudioDevice>(tape, latencyFrames)) {}

  void connect(double rate) { engine.connect(node, pitch, AudioFormat::mono(rate)); }
  void cycles(int n) { vt.advance(static_cast<double>(n) * static_cast<double>(kCycle) / kOut); }
  std::int64_t heard() const {
    auto render = node->lastRenderTime();
    if (!render) return -1;
    auto t = node->playerTime(*render);
    return t ? t->sampleTime : -1;
  }

  dispatch::VirtualTime vt;
  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  AudioEngine engine;
  std::shared_ptr<PlayerNode> node = std::make_shared<PlayerNode>();
  std::shared_ptr<TimePitch> pitch = std::make_shared<TimePitch>();
};

TEST_F(EngineFixture, RendersOnlyAsTheVirtualClockAdvances) {
  connect(kOut);
  engine.start();
  EXPECT_TRUE(engine.isRunning());
  EXPECT_EQ(tape->format(), (platform::AudioFormat{44100, 2}));
  EXPECT_EQ(tape->frameCount(), 0u);
  cycles(25);
  EXPECT_EQ(tape->frameCount(), 25 * kCycle);
  engine.stop();
  EXPECT_FALSE(engine.isRunning());
  EXPECT_FALSE(tape->isOpen());
  cycles(10);
  EXPECT_EQ(tape->frameCount(), 25 * kCycle);
}

TEST_F(EngineFixture, BuffersPlayInOrderBackToBackAndEachCompletesOnceHeard) {
  connect(kOut);
  engine.start();
  const auto a = ramp(1000, 0.1f);
  const auto b = ramp(1500, 0.3f);
  std::vector<std::string> order;
  std::vector<std::uint64_t> framesAtCompletion;
  node->scheduleBuffer({AudioFormat::mono(kOut), a}, [&] {
    order.push_back("a");
    framesAtCompletion.push_back(tape->frameCount());
  });
  node->scheduleBuffer({AudioFormat::mono(kOut), b}, [&] {
    order.push_back("b");
    framesAtCompletion.push_back(tape->frameCount());
  });
  node->play();
  cycles(2);  // 882 frames: not all of a yet
  EXPECT_TRUE(order.empty());
  cycles(1);  // 1323 frames: a is out, b not
  EXPECT_EQ(order, std::vector<std::string>{"a"});
  cycles(10);
  ASSERT_EQ(order, (std::vector<std::string>{"a", "b"}));
  EXPECT_GE(framesAtCompletion[0], a.size());
  EXPECT_GE(framesAtCompletion[1], a.size() + b.size());
  // Sample for sample, on both channels.
  const auto left = tape->channel(0);
  std::vector<float> expected = a;
  expected.insert(expected.end(), b.begin(), b.end());
  ASSERT_GE(left.size(), expected.size());
  EXPECT_EQ(std::vector<float>(left.begin(), left.begin() + static_cast<long>(expected.size())), expected);
  EXPECT_EQ(tape->channel(1), left);
}

struct LatentEngineFixture : EngineFixture {
  LatentEngineFixture() : EngineFixture(2 * kCycle) {}
};

TEST_F(LatentEngineFixture, CompletionsAndClockWaitForTheDeviceToPlayNotJustToReceive) {
  connect(kOut);
  engine.start();
  int done = 0;
  node->scheduleBuffer({AudioFormat::mono(kOut), ramp(kCycle)}, [&] { ++done; });
  node->play();
  cycles(1);  // written, but held in the device's buffer
  EXPECT_EQ(done, 0);
  EXPECT_EQ(heard(), 0);
  cycles(2);
  EXPECT_EQ(done, 1);
  EXPECT_EQ(heard(), static_cast<std::int64_t>(kCycle));
  EXPECT_DOUBLE_EQ(engine.presentationLatency(), 2 * kCycle / kOut);
}

TEST_F(EngineFixture, PlayerClockCountsFromTheNodesStartAndMatchesTheTape) {
  connect(kOut);
  engine.start();
  EXPECT_FALSE(node->playerTime(*node->lastRenderTime()).has_value());  // stopped: no player time
  cycles(5);                                                            // engine runs, node idle
  node->scheduleBuffer({AudioFormat::mono(kOut), ramp(4 * kCycle)});
  node->play();
  cycles(3);
  EXPECT_EQ(node->lastRenderTime()->sampleTime, static_cast<std::int64_t>(8 * kCycle));
  EXPECT_EQ(heard(), static_cast<std::int64_t>(3 * kCycle));
  const auto left = tape->channel(0);
  const auto firstSound = std::find_if(left.begin(), left.end(), [](float s) { return s != 0.0f; }) - left.begin();
  EXPECT_EQ(firstSound, static_cast<long>(5 * kCycle));
  EXPECT_EQ(static_cast<std::int64_t>(left.size()) - firstSound, heard());
}

TEST_F(EngineFixture, PauseHoldsThePositionAndResumeLosesAndRepeatsNothing) {
  connect(kOut);
  engine.start();
  const auto audio = ramp(10 * kCycle);
  int done = 0;
  node->scheduleBuffer({AudioFormat::mono(kOut), audio}, [&] { ++done; });
  node->play();
  cycles(3);
  node->pause();
  EXPECT_FALSE(node->isPlaying());
  const auto at = heard();
  cycles(4);
  EXPECT_EQ(heard(), at);  // paused: the clock holds (and stays readable)
  EXPECT_EQ(done, 0);
  node->play();
  cycles(8);
  EXPECT_EQ(done, 1);
  EXPECT_EQ(withoutSilence(tape->channel(0)), audio);
}

TEST_F(EngineFixture, StopDropsScheduledAudioCompletesEachBufferOnceAndRestartsTheClock) {
  connect(kOut);
  engine.start();
  int firstDone = 0, secondDone = 0;
  node->scheduleBuffer({AudioFormat::mono(kOut), ramp(3 * kCycle)}, [&] { ++firstDone; });
  node->scheduleBuffer({AudioFormat::mono(kOut), ramp(3 * kCycle)}, [&] { ++secondDone; });
  node->play();
  cycles(4);
  EXPECT_EQ(firstDone, 1);
  EXPECT_EQ(secondDone, 0);
  node->stop();
  EXPECT_EQ(secondDone, 1);
  EXPECT_FALSE(node->playerTime(*node->lastRenderTime()).has_value());
  const auto framesAtStop = tape->frameCount();
  cycles(5);
  EXPECT_EQ(firstDone, 1);
  EXPECT_EQ(secondDone, 1);
  const auto left = tape->channel(0);
  EXPECT_TRUE(std::all_of(left.begin() + static_cast<long>(framesAtStop), left.end(), [](float s) { return s == 0.0f; }));
  // A new start counts from 0 again.
  node->scheduleBuffer({AudioFormat::mono(kOut), ramp(kCycle)});
  node->play();
  cycles(1);
  EXPECT_EQ(heard(), static_cast<std::int64_t>(kCycle));
}

TEST_F(EngineFixture, EngineStopCompletesPendingBuffersOfEveryNode) {
  connect(kOut);
  auto other = std::make_shared<PlayerNode>();
  engine.connect(other, nullptr, AudioFormat::mono(kOut));
  engine.start();
  int done = 0;
  node->scheduleBuffer({AudioFormat::mono(kOut), ramp(kOut)}, [&] { ++done; });
  other->scheduleBuffer({AudioFormat::mono(kOut), ramp(kOut)}, [&] { ++done; });
  node->play();
  other->play();
  cycles(2);
  engine.stop();
  EXPECT_EQ(done, 2);
  cycles(200);
  EXPECT_EQ(done, 2);
}

TEST_F(EngineFixture, ABufferInAnotherFormatPlaysNothingAndCompletesAtOnce) {
  connect(24000);
  engine.start();
  int done = 0;
  node->scheduleBuffer({AudioFormat::mono(44100), ramp(100)}, [&] { ++done; });
  EXPECT_EQ(done, 1);
  node->play();
  cycles(3);
  EXPECT_TRUE(withoutSilence(tape->channel(0)).empty());
}

// Speed and rate conversion: duration shrinks by the rate, pitch stays, and the clock and the
// completion agree with what the device received.
struct RateCase {
  double nodeRate;
  float speed;
};

void PrintTo(const RateCase& c, std::ostream* os) { *os << c.nodeRate << " Hz at speed " << c.speed; }

// "Hz24000_speed1_5"
std::string rateCaseName(const ::testing::TestParamInfo<RateCase>& info) {
  std::string speed = std::to_string(info.param.speed);
  speed.erase(speed.find_last_not_of('0') + 1);
  if (speed.back() == '.') speed.pop_back();
  std::replace(speed.begin(), speed.end(), '.', '_');
  return "Hz" + std::to_string(static_cast<int>(info.param.nodeRate)) + "_speed" + speed;
}

class RateTest : public EngineFixture, public ::testing::WithParamInterface<RateCase> {};

TEST_P(RateTest, DurationFollowsTheRateWithinOnePercentAndPitchStays) {
  const auto [rate, speed] = GetParam();
  connect(rate);
  pitch->setRate(speed);
  engine.start();
  const std::size_t n = static_cast<std::size_t>(rate * 6);  // 6 s of a 440 Hz tone
  std::optional<double> doneAt;
  std::uint64_t framesAtDone = 0;
  node->scheduleBuffer({AudioFormat::mono(rate), sine(440, rate, n)}, [&] {
    doneAt = static_cast<double>(vt.nowNanos()) / 1e9;
    framesAtDone = tape->frameCount();
  });
  const double t0 = static_cast<double>(vt.nowNanos()) / 1e9;
  node->play();
  const double expected = 6.0 / speed;
  // Halfway, the clock says how much of the input has been heard.
  vt.advance(expected / 2);
  EXPECT_NEAR(static_cast<double>(heard()) / rate, 3.0, 0.03);
  while (!doneAt && static_cast<double>(vt.nowNanos()) / 1e9 - t0 < 3 * expected) cycles(1);
  ASSERT_TRUE(doneAt.has_value());
  EXPECT_NEAR(*doneAt - t0, expected, expected * 0.01);
  // The device had received the whole (stretched) tone when the completion ran.
  const auto left = tape->channel(0);
  std::size_t lastSound = 0;
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (std::fabs(left[i]) > 0.01f) lastSound = i;
  }
  EXPECT_LE(lastSound, framesAtDone);
  EXPECT_NEAR(static_cast<double>(lastSound) / kOut, expected, expected * 0.01);
  EXPECT_NEAR(pitchOf(left, static_cast<std::size_t>(kOut * 0.5), static_cast<std::size_t>(kOut * (expected - 0.5)), kOut),
              440.0, 440.0 * 0.02);
}

INSTANTIATE_TEST_SUITE_P(Speeds, RateTest,
                         ::testing::Values(RateCase{44100, 1.0f}, RateCase{44100, 1.5f}, RateCase{24000, 1.0f},
                                           RateCase{24000, 1.5f}, RateCase{22050, 0.75f}, RateCase{24000, 2.0f}),
                         rateCaseName);

TEST_F(EngineFixture, ChangingTheRateMidwayKeepsThePositionAndTheTotalTime) {
  connect(24000);
  engine.start();
  std::optional<double> doneAt;
  const double t0 = static_cast<double>(vt.nowNanos()) / 1e9;
  node->scheduleBuffer({AudioFormat::mono(24000), sine(300, 24000, 24000 * 8)},
                       [&] { doneAt = static_cast<double>(vt.nowNanos()) / 1e9 - t0; });
  node->play();
  vt.advance(2.0);  // 2 s heard at 1.0
  const double before = static_cast<double>(heard()) / 24000;
  EXPECT_NEAR(before, 2.0, 0.02);
  pitch->setRate(2.0f);
  cycles(1);
  // No jump: the position carries on from where it was.
  EXPECT_NEAR(static_cast<double>(heard()) / 24000, before + 0.02, 0.02);
  vt.advance(2.0);  // 4 s more of input at 2.0
  EXPECT_NEAR(static_cast<double>(heard()) / 24000, 6.0, 0.06);
  vt.advance(1.2);
  ASSERT_TRUE(doneAt.has_value());
  EXPECT_NEAR(*doneAt, 2.0 + 6.0 / 2.0, 5.0 * 0.01);
}

TEST_F(EngineFixture, TheMixerSumsThePathsAndScalesByVolume) {
  connect(kOut);
  auto cue = std::make_shared<PlayerNode>();
  engine.connect(cue, nullptr, AudioFormat::mono(kOut));
  engine.start();
  node->scheduleBuffer({AudioFormat::mono(kOut), std::vector<float>(3 * kCycle, 0.25f)});
  cue->scheduleBuffer({AudioFormat::mono(kOut), std::vector<float>(kCycle, 0.5f)});
  node->play();
  cue->play();
  cycles(1);
  engine.mainMixer().setOutputVolume(0.5f);
  cycles(1);
  engine.mainMixer().setOutputVolume(0.0f);
  cycles(1);
  const auto left = tape->channel(0);
  ASSERT_EQ(left.size(), 3 * kCycle);
  EXPECT_FLOAT_EQ(left[0], 0.75f);
  EXPECT_FLOAT_EQ(left[kCycle - 1], 0.75f);
  EXPECT_FLOAT_EQ(left[kCycle], 0.125f);
  EXPECT_FLOAT_EQ(left[3 * kCycle - 1], 0.0f);
  engine.mainMixer().setOutputVolume(7.0f);
  EXPECT_EQ(engine.mainMixer().outputVolume(), 1.0f);
}

}  // namespace
}  // namespace orvak::audio

namespace orvak::audio {
namespace {

using test::FailingDevice;

TEST(AudioEngineFailure, ADeviceFailureStopsTheEngineReportsItAndCompletesPendingBuffers) {
  dispatch::VirtualTime vt;
  AudioEngine engine(std::make_unique<FailingDevice>(3));
  std::vector<std::string> failures;
  engine.onFailure = [&](const std::string& e) { failures.push_back(e); };
  auto node = std::make_shared<PlayerNode>();
  engine.connect(node, nullptr, AudioFormat::mono(kOut));
  EXPECT_THROW(engine.connect(node, nullptr, AudioFormat{kOut, 2}), std::invalid_argument);
  EXPECT_THROW(engine.connect(node, nullptr, AudioFormat::mono(0)), std::invalid_argument);
  engine.connect(node, nullptr, AudioFormat::mono(kOut));
  engine.start();
  int done = 0;
  node->scheduleBuffer({AudioFormat::mono(kOut), std::vector<float>(44100, 0.1f)}, [&] { ++done; });
  node->play();
  vt.advance(0.1);
  EXPECT_FALSE(engine.isRunning());
  EXPECT_EQ(failures, std::vector<std::string>{"device vanished"});
  EXPECT_EQ(done, 1);
  EXPECT_FALSE(node->isPlaying());
}

// A paced device whose writes after the first `good` block until released: a frozen sound server.
class FrozenDevice final : public platform::AudioDevice {
 public:
  explicit FrozenDevice(int good) : good_(good) {}
  std::string name() const override { return "frozen"; }
  void open(const platform::AudioFormat&) override {}
  void close() override {}
  void write(std::span<const float>) override {
    std::unique_lock lock(mutex_);
    if (good_-- > 0) return;
    blocked_ = true;
    cv_.wait(lock, [&] { return released_; });
    blocked_ = false;
  }
  std::uint64_t framesPlayed() const override { return 0; }
  double latencySeconds() const override { return 0; }
  bool paced() const override { return true; }

  bool blocked() {
    std::lock_guard lock(mutex_);
    return blocked_;
  }
  void release() {
    {
      std::lock_guard lock(mutex_);
      released_ = true;
    }
    cv_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  int good_;
  bool blocked_ = false;
  bool released_ = false;
};

TEST(AudioEngineFailure, AWriteThatNeverReturnsEndsTheRunAndStopDoesNotWaitForIt) {
  auto owned = std::make_unique<FrozenDevice>(3);
  FrozenDevice& device = *owned;
  AudioEngine engine(std::move(owned), 0.05);
  std::mutex mutex;
  std::condition_variable failed;
  std::vector<std::string> failures;
  engine.onFailure = [&](const std::string& e) {
    std::lock_guard lock(mutex);
    failures.push_back(e);
    failed.notify_all();
  };
  auto node = std::make_shared<PlayerNode>();
  engine.connect(node, nullptr, AudioFormat::mono(kOut));
  std::atomic<int> done{0};
  engine.start();
  node->scheduleBuffer({AudioFormat::mono(kOut), std::vector<float>(44100, 0.1f)}, [&] { ++done; });
  node->play();
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(failed.wait_for(lock, std::chrono::seconds(30), [&] { return !failures.empty(); }));
    EXPECT_EQ(failures, std::vector<std::string>{"frozen: the device took no sound for 0.05 s (is the sound server frozen?)"});
  }
  EXPECT_EQ(engine.failure(), failures.at(0));
  EXPECT_FALSE(engine.isRunning());
  EXPECT_EQ(done.load(), 1) << "the pending buffer is handed back, so the read ends";

  engine.stop();  // returns while the write still hangs
  EXPECT_TRUE(device.blocked());
  EXPECT_THROW(engine.start(), AudioEngineError) << "not while the device still holds the last write";
  device.release();  // the engine's end waits for that write, now that it returns
}

}  // namespace
}  // namespace orvak::audio
