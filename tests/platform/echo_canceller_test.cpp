// Echo cancellation: the microphone hears the speakers' sound late and quieter; once the
// canceller has adapted, most of it is gone, while a voice the speakers did not play stays.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "platform/echo_canceller.h"

namespace orvak::platform {
namespace {

constexpr double kRate = 16000;
constexpr std::size_t kFrame = 160;

double energy(const std::vector<float>& x, std::size_t from, std::size_t to) {
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(x[i]) * x[i];
  return sum / static_cast<double>(to - from);
}

TEST(EchoCanceller, RemovesTheSpeakersFromTheMicrophoneButNotTheVoice) {
  auto canceller = makeEchoCanceller(kRate);
  ASSERT_EQ(canceller->sampleRate(), kRate);
  std::mt19937 random(7);
  std::normal_distribution<float> noise(0, 0.1f);
  const std::size_t total = static_cast<std::size_t>(kRate * 6);
  std::vector<float> far(total);
  for (auto& v : far) v = noise(random);
  // The room: 30 ms late, at half the level. The voice: a tone in the last second only.
  const std::size_t delay = 480;
  std::vector<float> mic(total, 0.0f), out;
  for (std::size_t i = delay; i < total; ++i) mic[i] = 0.5f * far[i - delay];
  const std::size_t voiceFrom = total - static_cast<std::size_t>(kRate);
  for (std::size_t i = voiceFrom; i < total; ++i) {
    mic[i] += 0.2f * static_cast<float>(std::sin(2 * std::numbers::pi * 300 * static_cast<double>(i) / kRate));
  }
  for (std::size_t at = 0; at < total; at += kFrame) {
    canceller->render(std::span<const float>(far).subspan(at, kFrame));
    std::vector<float> frame(mic.begin() + static_cast<std::ptrdiff_t>(at), mic.begin() + static_cast<std::ptrdiff_t>(at + kFrame));
    canceller->capture(frame);
    out.insert(out.end(), frame.begin(), frame.end());
  }
  // Echo alone, after adapting (seconds 3 to 5): at least 15 dB down.
  const double echoIn = energy(mic, 3 * 16000, voiceFrom), echoOut = energy(out, 3 * 16000, voiceFrom);
  EXPECT_LT(10 * std::log10(echoOut / echoIn), -15);
  // Talking over the read: the voice (a mean square of 0.02) loses less than 10 dB.
  EXPECT_GT(energy(out, voiceFrom, total), 0.1 * 0.02);
}

TEST(EchoCanceller, RatesItCannotRunAtAreRefused) {
  EXPECT_THROW(makeEchoCanceller(44100), EchoCancellerError);
  EXPECT_THROW(makeEchoCanceller(0), EchoCancellerError);
  EXPECT_NO_THROW(makeEchoCanceller(48000));
}

}  // namespace
}  // namespace orvak::platform
