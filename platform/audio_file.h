// Reading a recorded sound file (WAV, FLAC, Ogg: whatever libsndfile reads) whole, as mono
// float samples at the file's own rate. Several channels are averaged.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
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

// A 16-bit mono WAV file written as the samples come, so a long synthesis never sits in memory.
// The format's size fields hold at most 4 GB: samples past that are refused, not wrapped.
class WavWriter {
 public:
  // The most samples one file holds: its data and header within 2^32 - 1 bytes.
  static constexpr std::uint64_t maxSamples = (0xFFFFFFFFull - 44) / 2;

  // Creates the file; throws AudioFileError when it cannot. `limit` (at most maxSamples) lets a
  // test reach the refusal without writing 4 GB.
  WavWriter(const std::filesystem::path& path, double sampleRate, std::uint64_t limit = maxSamples);
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Throws AudioFileError when the samples would pass the limit (nothing of them is written) or
  // the write fails.
  void append(std::span<const float> samples);
  std::uint64_t samples() const { return written_; }
  // Completes the header; the destructor does it too.
  void close();

 private:
  struct Handle;
  std::unique_ptr<Handle> file_;
  std::filesystem::path path_;
  std::uint64_t limit_;
  std::uint64_t written_ = 0;
};

}  // namespace orvak::platform
