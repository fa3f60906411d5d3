#include "app/audio/earcon.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace orvak::Earcon {

std::atomic<bool> enabled{true};

namespace {

constexpr double kRate = 44100;
constexpr std::size_t kLength = 22050;  // half a second

struct Envelope {
  double duration;
  double level;
  double attack;
  double at(double t) const {
    if (t < attack) return level * t / attack;
    return level * std::pow(0.0008 / level, (t - attack) / (duration - attack));
  }
  std::size_t samples() const { return static_cast<std::size_t>(duration * kRate); }
};

class Synth {
 public:
  std::vector<double> buffer = std::vector<double>(kLength, 0.0);

  // Band-passed white noise whose centre glides from f1 to f2.
  void noise(double f1, double f2, double q, const Envelope& env) {
    const std::size_t n = std::min(env.samples(), kLength);
    double b0 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t i = 0; i < n; ++i) {
      state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
      const double x = static_cast<double>(static_cast<std::int64_t>(state_) >> 11) / 4503599627370496.0;  // 2^52
      if (i % 16 == 0) {
        const double f = f1 * std::pow(f2 / f1, static_cast<double>(i) / static_cast<double>(n));
        const double w0 = 2 * std::numbers::pi * f / kRate;
        const double alpha = std::sin(w0) / (2 * q);
        const double a0 = 1 + alpha;
        b0 = alpha / a0;
        b2 = -alpha / a0;
        a1 = -2 * std::cos(w0) / a0;
        a2 = (1 - alpha) / a0;
      }
      const double y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
      x2 = x1;
      x1 = x;
      y2 = y1;
      y1 = y;
      buffer[i] += y * env.at(static_cast<double>(i) / kRate);
    }
  }

  // A sine with a soft octave above it.
  void tone(double f, const Envelope& env) {
    const std::size_t n = std::min(env.samples(), kLength);
    for (std::size_t i = 0; i < n; ++i) {
      const double t = static_cast<double>(i) / kRate;
      buffer[i] += (std::sin(2 * std::numbers::pi * f * t) + 0.12 * std::sin(2 * std::numbers::pi * 2 * f * t)) * env.at(t);
    }
  }

 private:
  std::uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

double peakOf(Kind kind) {
  switch (kind) {
    case Kind::start: return 0.22;
    case Kind::warn: return 0.2;
    case Kind::saved: return 0.17;
  }
  return 0;
}

std::vector<double> render(Kind kind) {
  std::vector<double> s = detail::synthesise(kind);
  const auto loud = std::find_if(s.rbegin(), s.rend(), [](double v) { return std::fabs(v) > 0.0001; });
  if (loud != s.rend()) s.erase(loud.base(), s.end());
  double m = 0;
  for (double v : s) m = std::max(m, std::fabs(v));
  if (m > 0) {
    const double gain = peakOf(kind) / m;
    for (double& v : s) v *= gain;
  }
  return s;
}

void putLE(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putText(std::vector<std::uint8_t>& out, const char (&text)[5]) { out.insert(out.end(), text, text + 4); }

}  // namespace

std::vector<double> detail::synthesise(Kind kind) {
  Synth synth;
  switch (kind) {
    case Kind::start:
      synth.noise(1200, 1200, 3, {0.035, 0.5, 0.004});
      synth.tone(523.25, {0.14, 0.07, 0.006});
      break;
    case Kind::warn:
      synth.noise(480, 480, 2.5, {0.09, 0.55, 0.004});
      synth.tone(196, {0.16, 0.08, 0.006});
      break;
    case Kind::saved:
      synth.noise(1800, 5200, 2.5, {0.22, 0.3, 0.004});
      synth.tone(1046.5, {0.26, 0.035, 0.006});
      break;
  }
  return std::move(synth.buffer);
}

const std::vector<double>& pcm(Kind kind) {
  static const std::vector<double> start = render(Kind::start);
  static const std::vector<double> warn = render(Kind::warn);
  static const std::vector<double> saved = render(Kind::saved);
  switch (kind) {
    case Kind::start: return start;
    case Kind::warn: return warn;
    case Kind::saved: return saved;
  }
  return start;
}

platform::SoundPlayer& sound(Kind kind) {
  struct Sounds {
    platform::SoundPlayer start{wav(pcm(Kind::start))};
    platform::SoundPlayer warn{wav(pcm(Kind::warn))};
    platform::SoundPlayer saved{wav(pcm(Kind::saved))};
  };
  // Kept for the process: a sound may still be playing at exit.
  static Sounds* sounds = new Sounds();
  switch (kind) {
    case Kind::start: return sounds->start;
    case Kind::warn: return sounds->warn;
    case Kind::saved: return sounds->saved;
  }
  return sounds->start;
}

std::vector<float> samples(Kind kind) {
  const auto& s = pcm(kind);
  return std::vector<float>(s.begin(), s.end());
}

std::vector<std::uint8_t> wav(std::span<const double> samples) {
  constexpr std::uint64_t kMaxCount = std::numeric_limits<std::int32_t>::max();
  const std::uint64_t count = samples.size();
  const std::uint64_t dataSize = 2 * count;
  if (count > kMaxCount || dataSize + 36 > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("wav: too many samples");
  }
  std::vector<std::uint8_t> out;
  out.reserve(44 + dataSize);
  putText(out, "RIFF");
  putLE(out, static_cast<std::uint32_t>(36 + dataSize), 4);
  putText(out, "WAVE");
  putText(out, "fmt ");
  putLE(out, 16, 4);
  putLE(out, 1, 2);
  putLE(out, 1, 2);
  putLE(out, 44100, 4);
  putLE(out, 88200, 4);
  putLE(out, 2, 2);
  putLE(out, 16, 2);
  putText(out, "data");
  putLE(out, static_cast<std::uint32_t>(dataSize), 4);
  for (double s : samples) {
    std::int16_t v = 0;
    if (std::isnan(s)) {
      v = 0;
    } else if (s >= 1) {
      v = 32767;
    } else {
      v = static_cast<std::int16_t>(std::trunc(std::max(s, -1.0) * 32767));
    }
    putLE(out, static_cast<std::uint16_t>(v), 2);
  }
  return out;
}

}  // namespace orvak::Earcon
