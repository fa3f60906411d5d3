// Audio files made on the spot with libsndfile's writer: a tone in any format the decoder reads.
#pragma once

#include <sndfile.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvak::test {

// A `hz` sine at `level` in the first channel, silence in the others, `seconds` long, written as
// `format` (SF_FORMAT_* major | subtype) at `rate`; the file's bytes.
inline std::vector<std::uint8_t> toneFile(int format, int rate, int channels, double seconds, double hz = 441,
                                          double level = 0.5) {
  // One name per process and call: test processes run side by side.
  static std::atomic<int> serial{0};
  const auto path = std::filesystem::temp_directory_path() /
                    ("orvak-tone-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp");
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) throw std::runtime_error(std::string("cannot write a test file: ") + sf_strerror(nullptr));
  const auto frames = static_cast<std::size_t>(std::lround(seconds * rate));
  std::vector<float> data(frames * static_cast<std::size_t>(channels), 0.0f);
  for (std::size_t i = 0; i < frames; ++i) {
    data[i * static_cast<std::size_t>(channels)] =
        static_cast<float>(level * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate));
  }
  sf_writef_float(f, data.data(), static_cast<sf_count_t>(frames));
  sf_close(f);
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  return bytes;
}

}  // namespace orvak::test
