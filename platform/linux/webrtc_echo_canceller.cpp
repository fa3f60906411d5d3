// The far end is kept in a small FIFO of whole frames, fed to the processor on the capture side,
// so both directions reach it from one thread under one lock, in the order they happened.
#include <webrtc/modules/audio_processing/include/audio_processing.h>

#include <cmath>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/echo_canceller.h"

namespace orvak::platform {

namespace {

// About a second of far end; older frames than that are dropped if the capture side stalls.
constexpr std::size_t kMaxPendingFrames = 100;

class WebrtcEchoCanceller final : public EchoCanceller {
 public:
  explicit WebrtcEchoCanceller(double sampleRate) : rate_(sampleRate) {
    const int hz = static_cast<int>(std::lround(sampleRate));
    if (hz != 8000 && hz != 16000 && hz != 32000 && hz != 48000) {
      throw EchoCancellerError("echo cancellation: unsupported rate " + std::to_string(hz) + " Hz");
    }
    webrtc::Config config;
    config.Set<webrtc::ExtendedFilter>(new webrtc::ExtendedFilter(true));
    config.Set<webrtc::DelayAgnostic>(new webrtc::DelayAgnostic(true));
    apm_.reset(webrtc::AudioProcessing::Create(config));
    if (!apm_) throw EchoCancellerError("echo cancellation: processor could not be made");
    frame_ = static_cast<std::size_t>(hz / 100);
    stream_ = webrtc::StreamConfig(hz, 1);
    if (apm_->echo_cancellation()->Enable(true) != webrtc::AudioProcessing::kNoError ||
        apm_->gain_control()->Enable(false) != webrtc::AudioProcessing::kNoError) {
      throw EchoCancellerError("echo cancellation: could not be switched on");
    }
    // The user speaks over the read: stronger suppression mutes the voice along with the echo.
    apm_->echo_cancellation()->set_suppression_level(webrtc::EchoCancellation::kLowSuppression);
  }

  void render(std::span<const float> samples) override {
    std::lock_guard lock(mutex_);
    farTail_.insert(farTail_.end(), samples.begin(), samples.end());
    std::size_t at = 0;
    while (farTail_.size() - at >= frame_) {
      pending_.emplace_back(farTail_.begin() + static_cast<std::ptrdiff_t>(at),
                            farTail_.begin() + static_cast<std::ptrdiff_t>(at + frame_));
      at += frame_;
      if (pending_.size() > kMaxPendingFrames) pending_.pop_front();
    }
    farTail_.erase(farTail_.begin(), farTail_.begin() + static_cast<std::ptrdiff_t>(at));
  }

  void capture(std::span<float> samples) override {
    std::lock_guard lock(mutex_);
    for (std::size_t at = 0; at + frame_ <= samples.size(); at += frame_) {
      // The far end that was played up to now goes in first.
      while (!pending_.empty()) {
        scratch_.resize(frame_);
        const float* far[] = {pending_.front().data()};
        float* out[] = {scratch_.data()};
        apm_->ProcessReverseStream(far, stream_, stream_, out);
        pending_.pop_front();
      }
      float* near[] = {samples.data() + at};
      apm_->set_stream_delay_ms(0);
      apm_->ProcessStream(near, stream_, stream_, near);
    }
  }

  double sampleRate() const override { return rate_; }

 private:
  double rate_;
  std::size_t frame_ = 0;
  webrtc::StreamConfig stream_;
  std::unique_ptr<webrtc::AudioProcessing> apm_;
  std::mutex mutex_;
  std::vector<float> farTail_;
  std::deque<std::vector<float>> pending_;
  std::vector<float> scratch_;
};

}  // namespace

std::unique_ptr<EchoCanceller> makeEchoCanceller(double sampleRate) {
  return std::make_unique<WebrtcEchoCanceller>(sampleRate);
}

}  // namespace orvak::platform
