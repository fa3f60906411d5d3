// Mono sample buffers and sample-clock readings, the currency of the audio engine.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/audio_device.h"

namespace orvak::audio {

using platform::AudioFormat;

// Mono 32-bit float samples in `format` (whose channel count is 1).
struct PcmBuffer {
  AudioFormat format;
  std::vector<float> samples;

  std::size_t frameLength() const { return samples.size(); }
};

// A reading of a sample clock: `sampleTime` samples at `sampleRate` since the clock's start.
struct AudioTime {
  std::int64_t sampleTime = 0;
  double sampleRate = 0;

  double seconds() const { return sampleRate > 0 ? static_cast<double>(sampleTime) / sampleRate : 0.0; }
  bool operator==(const AudioTime&) const = default;
};

}  // namespace orvak::audio
