#include "platform/audio_device.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace orvak::platform {

bool AudioFormat::isValid() const {
  return std::isfinite(sampleRate) && sampleRate > 0 && channels > 0;
}

std::string AudioFormat::describe() const {
  char text[96];
  std::snprintf(text, sizeof text, "<%u ch, %.0f Hz, Float32%s>", channels, sampleRate,
                channels > 1 ? ", interleaved" : "");
  return text;
}

namespace {

// Frames are due at the rate of the format from the first write on. The device is the one place
// that must follow the real clock even in a test process, so it reads steady_clock itself.
class NullAudioDevice final : public AudioDevice {
 public:
  std::string name() const override { return "null"; }

  void open(const AudioFormat& format) override {
    if (!format.isValid()) throw AudioDeviceError("null: invalid format " + format.describe());
    std::lock_guard lock(mutex_);
    format_ = format;
    written_ = 0;
    anchored_ = false;
  }

  void close() override {
    std::lock_guard lock(mutex_);
    anchored_ = false;
  }

  void write(std::span<const float> interleaved) override {
    std::unique_lock lock(mutex_);
    if (format_.channels == 0) return;
    const auto now = Clock::now();
    if (!anchored_ || playedLocked(now) >= written_) {
      // First write, or the writer fell behind and the device ran dry: time restarts from here,
      // as a real device resumes after an underrun.
      start_ = now - toDuration(written_);
      anchored_ = true;
    }
    const std::uint64_t frames = interleaved.size() / format_.channels;
    written_ += frames;
    const auto bufferFrames = static_cast<std::uint64_t>(format_.sampleRate * kBufferSeconds);
    const auto due = start_ + toDuration(written_ > bufferFrames ? written_ - bufferFrames : 0);
    lock.unlock();
    std::this_thread::sleep_until(due);
  }

  std::uint64_t framesPlayed() const override {
    std::lock_guard lock(mutex_);
    return anchored_ ? playedLocked(Clock::now()) : 0;
  }

  double latencySeconds() const override { return kBufferSeconds; }
  bool paced() const override { return true; }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr double kBufferSeconds = 0.05;

  Clock::duration toDuration(std::uint64_t frames) const {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(frames) / format_.sampleRate));
  }
  std::uint64_t playedLocked(Clock::time_point now) const {
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const auto frames = static_cast<std::uint64_t>(std::max(0.0, seconds) * format_.sampleRate);
    return std::min(frames, written_);
  }

  mutable std::mutex mutex_;
  AudioFormat format_;
  std::uint64_t written_ = 0;
  bool anchored_ = false;
  Clock::time_point start_;
};

}  // namespace

std::unique_ptr<AudioDevice> makeNullAudioDevice() { return std::make_unique<NullAudioDevice>(); }

std::unique_ptr<AudioDevice> makeOutputAudioDevice(const std::string& clientName) {
  const char* forced = std::getenv("ORVAK_AUDIO");
  const std::string choice = forced != nullptr ? forced : "";
  if (choice == "null") return makeNullAudioDevice();
  if (choice == "pulse") return makePulseAudioDevice(clientName);
  if (!choice.empty()) std::fprintf(stderr, "ORVAK_AUDIO=%s is neither pulse nor null; choosing automatically\n", choice.c_str());
  if (pulseServerAnswers(clientName)) return makePulseAudioDevice(clientName);
  return makeNullAudioDevice();
}

}  // namespace orvak::platform
