#include "platform/sim/capture_audio_device.h"

#include <algorithm>

namespace orvak::platform {

std::vector<float> AudioTape::interleaved() const {
  std::lock_guard lock(mutex_);
  return data_;
}

std::vector<float> AudioTape::channel(std::uint32_t index) const {
  std::lock_guard lock(mutex_);
  std::vector<float> out;
  const std::uint32_t channels = format_.channels;
  if (channels == 0 || index >= channels) return out;
  out.reserve(data_.size() / channels);
  for (std::size_t i = index; i < data_.size(); i += channels) out.push_back(data_[i]);
  return out;
}

std::uint64_t AudioTape::frameCount() const {
  std::lock_guard lock(mutex_);
  return format_.channels == 0 ? 0 : data_.size() / format_.channels;
}

AudioFormat AudioTape::format() const {
  std::lock_guard lock(mutex_);
  return format_;
}

int AudioTape::opens() const {
  std::lock_guard lock(mutex_);
  return opens_;
}

bool AudioTape::isOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

CaptureAudioDevice::CaptureAudioDevice(std::shared_ptr<AudioTape> tape, std::uint64_t latencyFrames)
    : tape_(std::move(tape)), latencyFrames_(latencyFrames) {}

void CaptureAudioDevice::open(const AudioFormat& format) {
  if (!format.isValid()) throw AudioDeviceError("capture: invalid format " + format.describe());
  {
    std::lock_guard lock(tape_->mutex_);
    // One tape holds one format; a test that reopens at another format reads a fresh tape.
    if (tape_->format_ != format) tape_->data_.clear();
    tape_->format_ = format;
    tape_->opens_ += 1;
    tape_->open_ = true;
  }
  std::lock_guard lock(mutex_);
  format_ = format;
  written_ = 0;
}

void CaptureAudioDevice::close() {
  std::lock_guard lock(tape_->mutex_);
  tape_->open_ = false;
}

void CaptureAudioDevice::write(std::span<const float> interleaved) {
  std::uint64_t frames = 0;
  {
    std::lock_guard lock(mutex_);
    if (format_.channels == 0) return;
    frames = interleaved.size() / format_.channels;
    written_ += frames;
  }
  std::lock_guard lock(tape_->mutex_);
  tape_->data_.insert(tape_->data_.end(), interleaved.begin(), interleaved.end());
}

std::uint64_t CaptureAudioDevice::framesPlayed() const {
  std::lock_guard lock(mutex_);
  return written_ > latencyFrames_ ? written_ - latencyFrames_ : 0;
}

double CaptureAudioDevice::latencySeconds() const {
  std::lock_guard lock(mutex_);
  return format_.sampleRate > 0 ? static_cast<double>(latencyFrames_) / format_.sampleRate : 0.0;
}

}  // namespace orvak::platform
