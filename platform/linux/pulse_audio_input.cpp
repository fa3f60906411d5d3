// The microphone through PulseAudio's simple API: a blocking read of exactly 10 ms per turn of
// the record thread. A chunk's host time is the read's return time less what the server still
// held back and the chunk's own length, which is when its first sample reached the microphone.
#include <pulse/error.h>
#include <pulse/simple.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "core/base/dispatch.h"
#include "platform/audio_input.h"

namespace orvak::platform {

namespace {

class PulseAudioInput final : public AudioInput {
 public:
  PulseAudioInput(std::string clientName, double sampleRate) : clientName_(std::move(clientName)), rate_(sampleRate) {}
  ~PulseAudioInput() override { close(); }

  std::string name() const override { return "pulse"; }

  AudioFormat open(Receiver receiver) override {
    close();
    std::lock_guard lock(mutex_);
    receiver_ = std::move(receiver);
    return openLocked();
  }

  std::optional<AudioFormat> reopen() override {
    close();
    std::lock_guard lock(mutex_);
    if (!receiver_) return std::nullopt;
    try {
      return openLocked();
    } catch (const AudioInputError&) {
      return std::nullopt;
    }
  }

  void close() override {
    std::lock_guard lock(mutex_);
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
    if (stream_ != nullptr) {
      pa_simple_free(stream_);
      stream_ = nullptr;
    }
  }

 private:
  AudioFormat openLocked() {
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_FLOAT32LE;
    spec.rate = static_cast<std::uint32_t>(rate_);
    spec.channels = 1;
    const auto chunkFrames = static_cast<std::size_t>(rate_ / 100);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(chunkFrames * sizeof(float));
    int error = 0;
    pa_simple* s = pa_simple_new(nullptr, clientName_.c_str(), PA_STREAM_RECORD, nullptr, "voice commands", &spec,
                                 nullptr, &attr, &error);
    if (s == nullptr) throw AudioInputError(std::string("pulse: ") + pa_strerror(error));
    stream_ = s;
    stop_.store(false);
    thread_ = std::thread([this, s, chunkFrames, receiver = receiver_] { run(s, chunkFrames, receiver); });
    return AudioFormat::mono(rate_);
  }

  void run(pa_simple* s, std::size_t chunkFrames, const Receiver& receiver) {
    std::vector<float> chunk(chunkFrames);
    const auto chunkNs = static_cast<std::uint64_t>(static_cast<double>(chunkFrames) * 1e9 / rate_);
    while (!stop_.load()) {
      int error = 0;
      if (pa_simple_read(s, chunk.data(), chunk.size() * sizeof(float), &error) < 0) return;
      const std::uint64_t now = dispatch::monotonicNanos();
      const pa_usec_t latency = pa_simple_get_latency(s, &error);
      const std::uint64_t heldNs = latency == static_cast<pa_usec_t>(-1) ? 0 : latency * 1000;
      const std::uint64_t back = heldNs + chunkNs;
      receiver(chunk, now > back ? now - back : 0);
    }
  }

  std::string clientName_;
  double rate_;
  std::mutex mutex_;
  Receiver receiver_;
  pa_simple* stream_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<AudioInput> makePulseAudioInput(std::string clientName, double sampleRate) {
  return std::make_unique<PulseAudioInput>(std::move(clientName), sampleRate);
}

}  // namespace orvak::platform
