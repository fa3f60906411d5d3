// Where the microphone's sound comes from: a narrow record-side interface beside the output
// device's. An input delivers mono 32-bit float chunks of about 10 ms, each with the monotonic
// time (core/dispatch's clock, nanoseconds) of its first sample, on a thread of its own.
//
// The input is a stream of its own, apart from the audio engine's output: opening or reopening
// it never stops or rebuilds what is playing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "platform/audio_device.h"

namespace orvak::platform {

struct AudioInputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class AudioInput {
 public:
  // Called for each chunk on the input's own thread; it should only copy the samples and return.
  using Receiver = std::function<void(std::span<const float> samples, std::uint64_t hostNs)>;

  virtual ~AudioInput() = default;
  // "pulse" or "sim": what the log names.
  virtual std::string name() const = 0;
  // Opens the default source and starts delivering to `receiver`; returns the (mono) format.
  // Throws AudioInputError when there is no input to be had.
  virtual AudioFormat open(Receiver receiver) = 0;
  // Closes and opens again on whatever the default source is now, with the same receiver: after
  // the user changed devices. Nothing (and closed) when no input can be had now.
  virtual std::optional<AudioFormat> reopen() = 0;
  // Stops delivering; after it returns the receiver is not called again. Safe when not open.
  virtual void close() = 0;
};

// A PulseAudio record stream on the default source, mono float at `sampleRate` (the server
// converts), read in 10 ms chunks on a thread of its own.
std::unique_ptr<AudioInput> makePulseAudioInput(std::string clientName, double sampleRate = 48000);

}  // namespace orvak::platform
