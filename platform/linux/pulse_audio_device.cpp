// PulseAudio output through the asynchronous API on a main loop of the device's own, run by
// whichever thread calls in (the audio engine calls one at a time). `write` waits while the
// server's buffer is full, which paces the render thread, but never longer than a deadline: a
// server that stops taking sound (frozen, stopped by a signal) ends the write with an error instead
// of holding the thread forever. The target buffer is kept short (about 50 ms) so that what the
// engine reports as heard stays close to what the listener hears.
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>

#include "platform/audio_device.h"
#include "platform/linux/pulse_connection.h"

namespace orvak::platform {

namespace {

// How long connecting, and each write, may wait for the server. Shorter than the audio engine's
// own deadline, so the device's clearer message comes first.
constexpr double kServerDeadlineSec = 1.5;

using Clock = std::chrono::steady_clock;

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
    loop_ = pa_mainloop_new();
    if (loop_ == nullptr) throw AudioDeviceError("pulse: cannot make a main loop");
    context_ = pa_context_new(pa_mainloop_get_api(loop_), clientName_.c_str());
    if (context_ == nullptr || pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
      fail("cannot connect");
    }
    const auto deadline = Clock::now() + std::chrono::duration<double>(kServerDeadlineSec);
    while (pa_context_get_state(context_) != PA_CONTEXT_READY) {
      if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) fail("cannot connect");
      if (!iterateUntil(deadline)) fail("the sound server did not answer", false);
    }

    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_FLOAT32LE;
    spec.rate = static_cast<std::uint32_t>(format.sampleRate);
    spec.channels = static_cast<std::uint8_t>(format.channels);
    frameBytes_ = sizeof(float) * format.channels;
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(format.sampleRate * 0.05 * static_cast<double>(frameBytes_));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    stream_ = pa_stream_new(context_, "speech", &spec, nullptr);
    if (stream_ == nullptr) fail("cannot make a stream");
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_ADJUST_LATENCY |
                                                      PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) fail("cannot play");
    while (pa_stream_get_state(stream_) != PA_STREAM_READY) {
      if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) fail("cannot play");
      if (!iterateUntil(deadline)) fail("the sound server did not answer", false);
    }
    std::lock_guard lock(mutex_);
    format_ = format;
    written_ = 0;
    latencyFrames_ = 0;
  }

  // Never waits on the server: what is still queued is dropped with the stream.
  void close() override {
    if (stream_ != nullptr) {
      pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
      stream_ = nullptr;
    }
    if (context_ != nullptr) {
      pa_context_disconnect(context_);
      pa_context_unref(context_);
      context_ = nullptr;
    }
    if (loop_ != nullptr) {
      pa_mainloop_free(loop_);
      loop_ = nullptr;
    }
  }

  void write(std::span<const float> interleaved) override {
    if (stream_ == nullptr || interleaved.empty()) return;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(interleaved.data());
    std::size_t left = interleaved.size_bytes();
    const auto deadline = Clock::now() + std::chrono::duration<double>(kServerDeadlineSec);
    while (left > 0) {
      if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) throw AudioDeviceError(message("write failed"));
      const std::size_t writable = pa_stream_writable_size(stream_);
      if (writable == static_cast<std::size_t>(-1)) throw AudioDeviceError(message("write failed"));
      const std::size_t chunk = std::min(left, writable - writable % frameBytes_);
      if (chunk > 0) {
        if (pa_stream_write(stream_, bytes, chunk, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
          throw AudioDeviceError(message("write failed"));
        }
        bytes += chunk;
        left -= chunk;
        continue;
      }
      if (!iterateUntil(deadline)) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", kServerDeadlineSec);
        throw AudioDeviceError(std::string("pulse: the sound server took no sound for ") + seconds +
                               " s (is it frozen?)");
      }
    }
    // Timing updates and acknowledgements, without waiting.
    for (int round = 0; round < 8 && pa_mainloop_iterate(loop_, 0, nullptr) > 0; ++round) {
    }
    pa_usec_t latency = 0;
    int negative = 0;
    const bool timed = pa_stream_get_latency(stream_, &latency, &negative) == 0;
    std::lock_guard lock(mutex_);
    written_ += interleaved.size() / format_.channels;
    if (timed) {
      latencyFrames_ = negative ? 0 : static_cast<std::uint64_t>(static_cast<double>(latency) * format_.sampleRate / 1e6);
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
  // Runs one round of the loop, waiting for the server at most until `deadline`; false once the
  // deadline has passed (or the loop failed).
  bool iterateUntil(Clock::time_point deadline) {
    const auto now = Clock::now();
    if (now >= deadline) return false;
    const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now).count();
    return pa_mainloop_prepare(loop_, static_cast<int>(std::max<std::int64_t>(wait, 1))) >= 0 &&
           pa_mainloop_poll(loop_) >= 0 && pa_mainloop_dispatch(loop_) >= 0;
  }

  std::string message(const char* what) const {
    return std::string("pulse: ") + what + ": " + pa_strerror(context_ ? pa_context_errno(context_) : PA_ERR_UNKNOWN);
  }

  [[noreturn]] void fail(const char* what, bool withReason = true) {
    std::string text = withReason ? message(what) : std::string("pulse: ") + what;
    close();
    throw AudioDeviceError(std::move(text));
  }

  std::string clientName_;
  // Used by one caller at a time (the engine serialises open, write and close).
  pa_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  std::size_t frameBytes_ = sizeof(float);
  // The figures other threads read.
  mutable std::mutex mutex_;
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
