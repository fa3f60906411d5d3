// PulseAudio output through the blocking simple API: `write` blocks while the server's buffer is
// full, which paces the render thread. The target buffer is kept short (about 50 ms) so that what
// the engine reports as heard stays close to what the listener hears.
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "platform/audio_device.h"
#include "platform/linux/pulse_connection.h"

namespace orvak::platform {

namespace {

class PulseAudioDevice final : public AudioDevice {
 public:
  explicit PulseAudioDevice(std::string clientName) : clientName_(std::move(clientName)) {}
  ~PulseAudioDevice() override { close(); }

  std::string name() const override { return "pulse"; }

  void open(const AudioFormat& format) override {
    close();
    if (!format.isValid() || format.channels > PA_CHANNELS_MAX) {
      throw AudioDeviceError("pulse: invalid format " + format.describe());
    }
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_FLOAT32LE;
    spec.rate = static_cast<std::uint32_t>(format.sampleRate);
    spec.channels = static_cast<std::uint8_t>(format.channels);
    const std::uint32_t frameBytes = static_cast<std::uint32_t>(sizeof(float) * format.channels);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(format.sampleRate * 0.05) * frameBytes;
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    int error = 0;
    pa_simple* s = pa_simple_new(nullptr, clientName_.c_str(), PA_STREAM_PLAYBACK, nullptr, "speech", &spec,
                                 nullptr, &attr, &error);
    if (s == nullptr) throw AudioDeviceError(std::string("pulse: ") + pa_strerror(error));
    std::lock_guard lock(mutex_);
    stream_ = s;
    format_ = format;
    written_ = 0;
    latencyFrames_ = 0;
  }

  void close() override {
    std::lock_guard lock(mutex_);
    if (stream_ == nullptr) return;
    int error = 0;
    pa_simple_flush(stream_, &error);
    pa_simple_free(stream_);
    stream_ = nullptr;
  }

  void write(std::span<const float> interleaved) override {
    pa_simple* s = nullptr;
    {
      std::lock_guard lock(mutex_);
      s = stream_;
    }
    if (s == nullptr || interleaved.empty()) return;
    int error = 0;
    if (pa_simple_write(s, interleaved.data(), interleaved.size_bytes(), &error) < 0) {
      throw AudioDeviceError(std::string("pulse: write failed: ") + pa_strerror(error));
    }
    const pa_usec_t latency = pa_simple_get_latency(s, &error);
    std::lock_guard lock(mutex_);
    written_ += interleaved.size() / format_.channels;
    if (latency != static_cast<pa_usec_t>(-1)) {
      latencyFrames_ = static_cast<std::uint64_t>(static_cast<double>(latency) * format_.sampleRate / 1e6);
    }
  }

  std::uint64_t framesPlayed() const override {
    std::lock_guard lock(mutex_);
    return written_ - std::min(written_, latencyFrames_);
  }

  double latencySeconds() const override {
    std::lock_guard lock(mutex_);
    return format_.sampleRate > 0 ? static_cast<double>(latencyFrames_) / format_.sampleRate : 0.0;
  }

  bool paced() const override { return true; }

 private:
  std::string clientName_;
  mutable std::mutex mutex_;
  pa_simple* stream_ = nullptr;
  AudioFormat format_;
  std::uint64_t written_ = 0;
  std::uint64_t latencyFrames_ = 0;
};

}  // namespace

std::unique_ptr<AudioDevice> makePulseAudioDevice(std::string clientName) {
  return std::make_unique<PulseAudioDevice>(std::move(clientName));
}

bool pulseServerAnswers(const std::string& clientName) { return pulse::Connection(clientName, 1.0).ok(); }

}  // namespace orvak::platform
