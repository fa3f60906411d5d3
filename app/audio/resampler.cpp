#include "app/audio/resampler.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace orvak::audio {

namespace {
constexpr int kPhases = 256;
// Taps on each side at full band; a lower cut-off widens the kernel by the same factor.
constexpr int kBaseHalfWidth = 16;

double kernel(double distance, double cutoff, int halfWidth) {
  if (std::abs(distance) >= halfWidth) return 0;
  const double x = cutoff * distance;
  const double sinc = x == 0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
  const double window = 0.5 * (1 + std::cos(std::numbers::pi * distance / halfWidth));
  return cutoff * sinc * window;
}
}  // namespace

Resampler::Resampler(double inputRate, double outputRate) : inRate_(inputRate), outRate_(outputRate) {
  if (!(std::isfinite(inputRate) && inputRate > 0 && std::isfinite(outputRate) && outputRate > 0)) {
    throw std::invalid_argument("resampler: rates must be positive");
  }
  step_ = inRate_ / outRate_;
  const double cutoff = std::min(1.0, outRate_ / inRate_);
  halfWidth_ = static_cast<int>(std::ceil(kBaseHalfWidth / cutoff));
  const int taps = 2 * halfWidth_;
  table_.resize(static_cast<std::size_t>((kPhases + 1) * taps));
  for (int p = 0; p <= kPhases; ++p) {
    const double frac = static_cast<double>(p) / kPhases;
    double sum = 0;
    for (int j = 0; j < taps; ++j) sum += kernel(frac + halfWidth_ - 1 - j, cutoff, halfWidth_);
    for (int j = 0; j < taps; ++j) {
      // Each phase sums to one, so a constant signal keeps its level exactly.
      table_[static_cast<std::size_t>(p * taps + j)] =
          static_cast<float>(kernel(frac + halfWidth_ - 1 - j, cutoff, halfWidth_) / sum);
    }
  }
  history_.assign(static_cast<std::size_t>(halfWidth_), 0.0f);
  time_ = halfWidth_;
}

void Resampler::produce(std::vector<float>& out, double limit) {
  const int taps = 2 * halfWidth_;
  while (static_cast<double>(produced_) < limit) {
    const double whole = std::floor(time_);
    const auto last = static_cast<std::size_t>(whole) + static_cast<std::size_t>(halfWidth_);
    if (last >= history_.size()) break;
    const double position = (time_ - whole) * kPhases;
    const int phase = std::min(static_cast<int>(position), kPhases - 1);
    const float blend = static_cast<float>(position - phase);
    const float* a = &table_[static_cast<std::size_t>(phase * taps)];
    const float* b = a + taps;
    const float* x = &history_[static_cast<std::size_t>(whole) + 1 - static_cast<std::size_t>(halfWidth_)];
    float accA = 0, accB = 0;
    for (int j = 0; j < taps; ++j) {
      accA += a[j] * x[j];
      accB += b[j] * x[j];
    }
    out.push_back(accA + (accB - accA) * blend);
    ++produced_;
    time_ += step_;
  }
  // Keep only what the next output instant still reaches back to.
  const double firstNeeded = std::floor(time_) + 1 - halfWidth_;
  if (firstNeeded > 0) {
    const auto drop = std::min(static_cast<std::size_t>(firstNeeded), history_.size());
    history_.erase(history_.begin(), history_.begin() + static_cast<std::ptrdiff_t>(drop));
    time_ -= static_cast<double>(drop);
  }
}

std::vector<float> Resampler::process(std::span<const float> input) {
  history_.insert(history_.end(), input.begin(), input.end());
  consumed_ += input.size();
  std::vector<float> out;
  out.reserve(static_cast<std::size_t>(static_cast<double>(input.size()) / step_) + 2);
  // Never past the end of the signal received: the tail is `flush`'s.
  produce(out, std::ceil(static_cast<double>(consumed_) * outRate_ / inRate_ - 1e-9));
  return out;
}

std::vector<float> Resampler::flush() {
  history_.insert(history_.end(), static_cast<std::size_t>(2 * halfWidth_) + 2, 0.0f);
  std::vector<float> out;
  produce(out, std::ceil(static_cast<double>(consumed_) * outRate_ / inRate_ - 1e-9));
  return out;
}

std::vector<float> Resampler::convert(std::span<const float> input, double inputRate, double outputRate) {
  Resampler resampler(inputRate, outputRate);
  auto out = resampler.process(input);
  auto tail = resampler.flush();
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

}  // namespace orvak::audio
