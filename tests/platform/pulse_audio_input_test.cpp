// The PulseAudio record stream against a private server that the test starts, with a null sink
// whose monitor is the default source: what is played into the sink comes back as microphone
// chunks of 10 ms with rising host times.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

#include "core/base/dispatch.h"
#include "platform/audio_device.h"
#include "platform/audio_input.h"
#include "tests/platform/private_pulse.h"

extern char** environ;

namespace orvak::platform {
namespace {

struct Chunk {
  std::size_t frames;
  std::uint64_t hostNs;
  double meanSquare;
};

TEST(PulseAudioInput, DeliversTenMillisecondChunksOfWhatIsPlayedWithRisingHostTimes) {
  PrivatePulse server;
  if (!server.up()) GTEST_SKIP() << "no pulseaudio server could be started";

  // A tone played into the null sink for the whole test.
  std::atomic<bool> stop{false};
  std::thread player([&] {
    auto out = makePulseAudioDevice("orvak-test-out");
    out->open(AudioFormat::mono(48000));
    std::vector<float> tone(480);
    std::size_t n = 0;
    while (!stop.load()) {
      for (auto& v : tone) v = 0.3f * static_cast<float>(std::sin(2 * std::numbers::pi * 440 * static_cast<double>(n++) / 48000));
      out->write(tone);
    }
    out->close();
  });

  std::mutex mutex;
  std::vector<Chunk> chunks;
  auto input = makePulseAudioInput("orvak-test-in", 48000);
  const auto format = input->open([&](std::span<const float> samples, std::uint64_t hostNs) {
    double sum = 0;
    for (float v : samples) sum += static_cast<double>(v) * v;
    std::lock_guard lock(mutex);
    chunks.push_back({samples.size(), hostNs, sum / static_cast<double>(samples.size())});
  });
  EXPECT_EQ(format, AudioFormat::mono(48000));
  const auto count = [&] {
    std::lock_guard lock(mutex);
    return chunks.size();
  };
  for (int i = 0; i < 300 && count() < 100; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  // Reopening (a device change) goes on delivering to the same receiver.
  ASSERT_TRUE(input->reopen().has_value());
  const std::size_t beforeReopen = count();
  for (int i = 0; i < 300 && count() < beforeReopen + 50; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  input->close();
  const std::size_t closedAt = count();
  stop.store(true);
  player.join();

  std::lock_guard lock(mutex);
  ASSERT_GE(chunks.size(), beforeReopen + 50);
  EXPECT_EQ(chunks.size(), closedAt);  // nothing after close
  const std::uint64_t now = dispatch::monotonicNanos();
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    EXPECT_EQ(chunks[i].frames, 480u) << i;
    EXPECT_LE(chunks[i].hostNs, now);
    if (i > 0) {
      EXPECT_GT(chunks[i].hostNs, chunks[i - 1].hostNs) << i;
    }
  }
  // The tone came through (0.3 amplitude: a mean square of 0.045) in the later chunks.
  EXPECT_NEAR(chunks[chunks.size() - 10].meanSquare, 0.045, 0.01);
}

TEST(PulseAudioInput, WithoutAServerOpenFailsWithAnError) {
  ::setenv("PULSE_SERVER", "unix:/nonexistent/orvak/native", 1);
  auto input = makePulseAudioInput("orvak-test-in");
  EXPECT_THROW(input->open([](std::span<const float>, std::uint64_t) {}), AudioInputError);
  EXPECT_FALSE(input->reopen().has_value());
  ::unsetenv("PULSE_SERVER");
}

}  // namespace
}  // namespace orvak::platform
