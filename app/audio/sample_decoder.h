// Turns a voice sample as the service sends it (a whole audio file in memory: WAV, FLAC, Ogg
// Vorbis or Opus, MP3) into what the cue node plays: mono float samples at 44,100 Hz.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvak::audio {

struct DecodedSample {
  // Mono, 44,100 Hz (the audio graph's clip format).
  std::vector<float> samples;
  // What the file held: its format's name as the decoder calls it ("WAV (Microsoft)", "MPEG
  // Layer 3"...), its rate and its channel count.
  std::string formatName;
  int sourceRate = 0;
  int sourceChannels = 0;

  double seconds() const { return static_cast<double>(samples.size()) / 44100.0; }
};

// The longest sample kept; anything after it is cut. Samples are a few seconds long, and this
// bounds what a bad reply can make us decode and hold.
inline constexpr double kMaxSampleSeconds = 120;

// None when the bytes are not audio the decoder reads, or hold no frames.
std::optional<DecodedSample> decodeSample(std::span<const std::uint8_t> bytes);

// `mono` at `rate` Hz converted to 44,100 Hz, exactly round(n × 44100 / rate) samples long.
std::vector<float> resampleTo44100(std::span<const float> mono, int rate);

}  // namespace orvak::audio
