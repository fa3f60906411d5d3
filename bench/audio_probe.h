// A sink for benchmarks: when the first audio arrived, when a given amount of audio had arrived,
// and when the read finished.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "core/base/dispatch.h"
#include "speech/engine.h"

namespace orvak::bench {

class AudioProbe final : public SpeechSink {
 public:
  explicit AudioProbe(double markSeconds = 0.5) : markSeconds_(markSeconds) {}

  void ttsConnected(bool) override {}
  void ttsRequestSent(int) override {}
  void ttsAudio(std::vector<float> samples, double rate, std::optional<int>) override {
    std::lock_guard lock(mutex);
    const auto now = dispatch::monotonicNanos();
    if (firstAudioAt == 0) firstAudioAt = now;
    audioSeconds += static_cast<double>(samples.size()) / rate;
    if (audioSeconds >= markSeconds_ && markReachedAt == 0) markReachedAt = now;
    cv.notify_all();
  }
  void ttsWords(std::vector<WordTiming>, std::optional<int>) override {}
  void ttsFinished() override {
    std::lock_guard lock(mutex);
    finished = true;
    cv.notify_all();
  }
  void ttsError(const std::string&) override {}

  std::mutex mutex;
  std::condition_variable cv;
  std::uint64_t firstAudioAt = 0;
  std::uint64_t markReachedAt = 0;  // when `markSeconds` of audio had arrived
  double audioSeconds = 0;
  bool finished = false;

 private:
  const double markSeconds_;
};

}  // namespace orvak::bench
