// Reading a recorded sound file (WAV, FLAC, Ogg: whatever libsndfile reads) whole, as mono
// float samples at the file's own rate. Several channels are averaged.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <vector>

namespace orvak::platform {

struct AudioFileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct AudioClip {
  double sampleRate = 0;
  std::vector<float> samples;

  double seconds() const { return sampleRate > 0 ? static_cast<double>(samples.size()) / sampleRate : 0.0; }
};

// Throws AudioFileError when the file cannot be opened, is not a sound file, is longer than
// `maxSeconds`, or cannot be read to its end.
AudioClip readAudioFile(const std::filesystem::path& path, double maxSeconds = 600);

// Writes `clip` as a 16-bit mono WAV file; throws AudioFileError when it cannot.
void writeWavFile(const std::filesystem::path& path, const AudioClip& clip);

}  // namespace orvak::platform
