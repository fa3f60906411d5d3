// A microphone for tests and the workbench: it delivers a 10 ms chunk every 10 ms of core/dispatch
// time (virtual time in tests) on a queue of its own, taking the samples queued with `play` and
// silence when there are none. Host times follow its own sample count from the moment it opened,
// so they rise by exactly 10 ms per chunk.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "core/base/dispatch.h"
#include "platform/audio_input.h"

namespace orvak::platform {

class SimAudioInput final : public AudioInput {
 public:
  explicit SimAudioInput(double sampleRate = 48000);
  ~SimAudioInput() override;

  std::string name() const override { return "sim"; }
  AudioFormat open(Receiver receiver) override;
  std::optional<AudioFormat> reopen() override;
  void close() override;

  // Samples (mono, at the input's rate) to deliver after those still queued.
  void play(std::span<const float> samples);
  // Seconds of queued samples not yet delivered.
  double queuedSeconds() const;
  // What the default source is now: `reopen` (and `open`) find no input while it is absent, and
  // a new rate when it changes.
  void setSource(std::optional<double> sampleRate);
  bool isOpen() const;
  std::uint64_t chunksDelivered() const;

 private:
  void tick();

  mutable std::mutex mutex_;
  std::optional<double> source_;
  double rate_ = 0;
  Receiver receiver_;
  std::deque<float> queued_;
  std::uint64_t delivered_ = 0;  // samples since open
  std::uint64_t chunks_ = 0;
  std::uint64_t openNs_ = 0;
  std::shared_ptr<dispatch::Queue> queue_;
  dispatch::RepeatingTimer timer_;
};

}  // namespace orvak::platform
