#include "app/audio/time_pitch.h"

#include <soundtouch/SoundTouch.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace orvak::audio {

TimePitch::TimePitch() : stretch_(std::make_unique<soundtouch::SoundTouch>()) {
  stretch_->setChannels(1);
  // Shorter sequences than the music defaults suit speech and keep the delay small.
  stretch_->setSetting(SETTING_SEQUENCE_MS, 40);
  stretch_->setSetting(SETTING_SEEKWINDOW_MS, 15);
  stretch_->setSetting(SETTING_OVERLAP_MS, 8);
  stretch_->setSetting(SETTING_USE_QUICKSEEK, 1);
}

TimePitch::~TimePitch() = default;

void TimePitch::setRate(float rate) {
  if (std::isnan(rate)) return;
  rate_.store(std::clamp(rate, kMinRate, kMaxRate));
}

void TimePitch::configure(double inputRate, double outputRate) {
  inputRate_ = inputRate;
  outputRate_ = outputRate;
  restart();
}

bool TimePitch::needsRestart() const { return rate_.load() != appliedRate_; }

void TimePitch::restart() {
  appliedRate_ = rate_.load();
  stretch_->clear();
  if (inputRate_ <= 0 || outputRate_ <= 0) return;
  stretch_->setSampleRate(static_cast<unsigned>(std::lround(inputRate_)));
  // SoundTouch's rate r makes r input samples into one output sample (and moves the pitch);
  // played at the output rate, inputRate/outputRate keeps the pitch where it was.
  stretch_->setRate(inputRate_ / outputRate_);
  stretch_->setTempo(appliedRate_);
}

double TimePitch::process(float* out, std::size_t frames, const Pull& pull) {
  if (frames == 0) return 0;
  if (bypassed()) {
    pull(out, frames);
    return static_cast<double>(frames);
  }
  const double ratio = inputRate_ / outputRate_ * appliedRate_;
  constexpr std::size_t kChunk = 256;
  std::array<float, kChunk> chunk{};
  // The stretcher needs a window of input before it gives anything; the bound only guards
  // against a library that never answers.
  const double limit = static_cast<double>(frames) * ratio * 4 + 32768;
  double fed = 0;
  while (stretch_->numSamples() < frames && fed < limit) {
    pull(chunk.data(), kChunk);
    stretch_->putSamples(chunk.data(), kChunk);
    fed += kChunk;
  }
  const unsigned got = stretch_->receiveSamples(out, static_cast<unsigned>(frames));
  std::fill(out + got, out + frames, 0.0f);
  return static_cast<double>(got) * ratio;
}

}  // namespace orvak::audio
