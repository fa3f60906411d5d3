// Echo cancellation: removes from the microphone what the speakers played. The far end (what the
// program renders) and the near end (the microphone) come in at the same rate, in any lengths;
// both are processed in 10 ms frames. Automatic gain control is off: the voice-activity detector
// judges levels and must see them as they are.
#pragma once

#include <memory>
#include <span>
#include <stdexcept>

namespace orvak::platform {

struct EchoCancellerError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class EchoCanceller {
 public:
  virtual ~EchoCanceller() = default;
  // What the speakers play (mono, at the canceller's rate). Any thread.
  virtual void render(std::span<const float> samples) = 0;
  // Removes the echo from microphone samples in place (mono, at the canceller's rate). Whole
  // 10 ms frames are processed; a shorter tail passes unchanged. Any thread.
  virtual void capture(std::span<float> samples) = 0;
  virtual double sampleRate() const = 0;
};

// WebRTC's audio processing with its echo canceller on (delays estimated from the signals, so
// the device latencies need not be known exactly). Throws EchoCancellerError when it cannot be
// set up at `sampleRate` (8, 16, 32 or 48 kHz).
std::unique_ptr<EchoCanceller> makeEchoCanceller(double sampleRate);

}  // namespace orvak::platform
