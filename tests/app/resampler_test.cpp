// The resampler: tones keep their pitch and level, what the lower rate cannot carry is removed
// rather than folded down, and a stream converts the same in pieces as in one.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "app/audio/resampler.h"

namespace orvak::audio {
namespace {

std::vector<float> tone(double hz, double rate, double seconds, float amplitude = 0.5f) {
  std::vector<float> out(static_cast<std::size_t>(rate * seconds));
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate));
  }
  return out;
}

// The amplitude of `hz` in the middle of `x` (a single-bin transform over whole periods).
double amplitudeAt(const std::vector<float>& x, double hz, double rate) {
  const std::size_t from = x.size() / 4, to = x.size() * 3 / 4;
  double re = 0, im = 0;
  for (std::size_t i = from; i < to; ++i) {
    const double phase = 2 * std::numbers::pi * hz * static_cast<double>(i) / rate;
    re += x[i] * std::cos(phase);
    im += x[i] * std::sin(phase);
  }
  return 2 * std::hypot(re, im) / static_cast<double>(to - from);
}

TEST(Resampler, TonesKeepPitchAndLevelAcrossCommonRates) {
  struct Case {
    double from, to, hz;
  };
  for (const auto& c : std::vector<Case>{{48000, 16000, 1000}, {44100, 48000, 440}, {22050, 44100, 3000}, {16000, 48000, 700}, {24000, 16000, 250}}) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
    const auto out = Resampler::convert(tone(c.hz, c.from, 0.5), c.from, c.to);
    EXPECT_EQ(out.size(), static_cast<std::size_t>(std::ceil(0.5 * c.to - 1e-9)));
    EXPECT_NEAR(amplitudeAt(out, c.hz, c.to), 0.5, 0.01);
    EXPECT_LT(amplitudeAt(out, c.hz * 1.1, c.to), 0.02);
  }
}

TEST(Resampler, WhatTheLowerRateCannotCarryIsRemovedNotFoldedDown) {
  // 12 kHz at 48 kHz would fold to 4 kHz at 16 kHz without the filter.
  const auto out = Resampler::convert(tone(12000, 48000, 0.5), 48000, 16000);
  EXPECT_LT(amplitudeAt(out, 4000, 16000), 0.005);
}

TEST(Resampler, PiecesConvertExactlyAsTheWhole) {
  const auto input = tone(523, 48000, 0.3);
  const auto whole = Resampler::convert(input, 48000, 16000);
  Resampler stream(48000, 16000);
  std::vector<float> pieces;
  for (std::size_t at = 0; at < input.size(); at += 477) {
    const auto n = std::min<std::size_t>(477, input.size() - at);
    const auto out = stream.process(std::span<const float>(input).subspan(at, n));
    pieces.insert(pieces.end(), out.begin(), out.end());
  }
  const auto tail = stream.flush();
  pieces.insert(pieces.end(), tail.begin(), tail.end());
  ASSERT_EQ(pieces.size(), whole.size());
  for (std::size_t i = 0; i < whole.size(); ++i) ASSERT_FLOAT_EQ(pieces[i], whole[i]) << i;
}

TEST(Resampler, TheSameRateChangesNothingAndBadRatesAreRefused) {
  const std::vector<float> x = {0.1f, -0.2f, 0.3f, 0.0f, 1.0f};
  const auto same = Resampler::convert(x, 16000, 16000);
  ASSERT_EQ(same.size(), x.size());
  for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(same[i], x[i], 1e-6) << i;
  EXPECT_TRUE(Resampler::convert({}, 48000, 16000).empty());
  EXPECT_THROW(Resampler(0, 16000), std::invalid_argument);
  EXPECT_THROW(Resampler(16000, std::nan("")), std::invalid_argument);
}

}  // namespace
}  // namespace orvak::audio
