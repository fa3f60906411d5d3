// The rate unit between a player node and the mixer: it changes the speed of speech while keeping
// its pitch (SoundTouch's time stretch), and converts the node's sample rate to the output rate.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>

namespace soundtouch {
class SoundTouch;
}

namespace orvak::audio {

class TimePitch {
 public:
  static constexpr float kMinRate = 1.0f / 32;
  static constexpr float kMaxRate = 32.0f;

  TimePitch();
  ~TimePitch();
  TimePitch(const TimePitch&) = delete;
  TimePitch& operator=(const TimePitch&) = delete;

  // Playback speed: 1.5 plays one and a half times as fast at the same pitch. Clamped to
  // kMinRate ... kMaxRate; a value that is not a number is ignored. Any thread; takes effect at
  // the next render cycle.
  void setRate(float rate);
  float rate() const { return rate_.load(); }

  // ---- Render side: called by the node that owns the path, under its lock. ----

  // Supplies exactly `count` input samples.
  using Pull = std::function<void(float* out, std::size_t count)>;

  // Sets the input and output sample rates (dropping whatever is inside).
  void configure(double inputRate, double outputRate);
  // True when the rate changed since the last `restart`: the caller must rewind its input to
  // where the output stands, then call `restart`.
  bool needsRestart() const;
  // Drops what is inside and applies the current rate.
  void restart();
  // Fills `out` with `frames` output samples, pulling input as needed. Returns how far the output
  // moved in input samples (frames × input-per-output ratio).
  double process(float* out, std::size_t frames, const Pull& pull);

 private:
  bool bypassed() const { return appliedRate_ == 1.0f && inputRate_ == outputRate_; }

  std::atomic<float> rate_{1.0f};
  float appliedRate_ = 1.0f;
  double inputRate_ = 0;
  double outputRate_ = 0;
  std::unique_ptr<soundtouch::SoundTouch> stretch_;
};

}  // namespace orvak::audio
