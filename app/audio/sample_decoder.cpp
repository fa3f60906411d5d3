#include "app/audio/sample_decoder.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace orvak::audio {
namespace {

constexpr int kClipRate = 44100;
// More channels than any voice sample has; a header claiming more is not one of ours.
constexpr int kMaxChannels = 16;

// libsndfile reads the sample through these callbacks straight from the caller's buffer.
struct MemoryFile {
  std::span<const std::uint8_t> bytes;
  sf_count_t pos = 0;
};

sf_count_t memLength(void* user) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size()); }

sf_count_t memSeek(sf_count_t offset, int whence, void* user) {
  auto& f = *static_cast<MemoryFile*>(user);
  const auto size = static_cast<sf_count_t>(f.bytes.size());
  sf_count_t target = 0;
  switch (whence) {
    case SEEK_SET: target = offset; break;
    case SEEK_CUR: target = f.pos + offset; break;
    case SEEK_END: target = size + offset; break;
    default: return -1;
  }
  if (target < 0 || target > size) return -1;
  f.pos = target;
  return f.pos;
}

sf_count_t memRead(void* out, sf_count_t count, void* user) {
  auto& f = *static_cast<MemoryFile*>(user);
  const auto size = static_cast<sf_count_t>(f.bytes.size());
  const sf_count_t n = std::clamp<sf_count_t>(count, 0, size - f.pos);
  if (n > 0) std::memcpy(out, f.bytes.data() + f.pos, static_cast<std::size_t>(n));
  f.pos += n;
  return n;
}

sf_count_t memWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t memTell(void* user) { return static_cast<MemoryFile*>(user)->pos; }

struct CloseFile {
  void operator()(SNDFILE* f) const { sf_close(f); }
};

std::string formatName(int format) {
  SF_FORMAT_INFO info{};
  info.format = format & SF_FORMAT_TYPEMASK;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) return info.name;
  return "unknown";
}

}  // namespace

std::vector<float> resampleTo44100(std::span<const float> mono, int rate) {
  if (rate <= 0 || mono.empty()) return {};
  if (rate == kClipRate) return {mono.begin(), mono.end()};
  const double ratio = static_cast<double>(kClipRate) / rate;
  const auto wanted = static_cast<std::size_t>(std::llround(static_cast<double>(mono.size()) * ratio));
  // Room for the converter's rounding; the length is then set from the input alone.
  std::vector<float> out(wanted + 64, 0.0f);
  SRC_DATA data{};
  data.data_in = mono.data();
  data.input_frames = static_cast<long>(mono.size());
  data.data_out = out.data();
  data.output_frames = static_cast<long>(out.size());
  data.src_ratio = ratio;
  // The fastest band-limited converter: clean enough for a voice, a few milliseconds for a sample.
  if (src_simple(&data, SRC_SINC_FASTEST, 1) != 0) return {};
  out.resize(static_cast<std::size_t>(data.output_frames_gen));
  out.resize(wanted, 0.0f);
  return out;
}

std::optional<DecodedSample> decodeSample(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return std::nullopt;
  MemoryFile file{bytes};
  SF_VIRTUAL_IO io{memLength, memSeek, memRead, memWrite, memTell};
  SF_INFO info{};
  std::unique_ptr<SNDFILE, CloseFile> sf(sf_open_virtual(&io, SFM_READ, &info, &file));
  if (!sf || info.samplerate <= 0 || info.channels <= 0 || info.channels > kMaxChannels) return std::nullopt;

  const auto channels = static_cast<std::size_t>(info.channels);
  const auto maxFrames = static_cast<std::size_t>(kMaxSampleSeconds * info.samplerate);
  // A file's frame count can be missing or wrong (a stream, a damaged header): read until the end
  // rather than trust it.
  std::vector<float> mono;
  std::vector<float> chunk(4096 * channels);
  while (mono.size() < maxFrames) {
    const auto want = std::min<std::size_t>(4096, maxFrames - mono.size());
    const sf_count_t got = sf_readf_float(sf.get(), chunk.data(), static_cast<sf_count_t>(want));
    if (got <= 0) break;
    for (sf_count_t i = 0; i < got; ++i) {
      const float* frame = chunk.data() + static_cast<std::size_t>(i) * channels;
      float sum = 0;
      for (std::size_t c = 0; c < channels; ++c) sum += frame[c];
      const float v = sum / static_cast<float>(channels);
      // Lossy decoders leave values far below hearing in their tails; as subnormal floats they
      // would slow the rate converter's filter many times over.
      mono.push_back(std::isfinite(v) && std::fabs(v) > 1e-20f ? v : 0.0f);
    }
  }
  if (mono.empty()) return std::nullopt;

  DecodedSample out;
  out.formatName = formatName(info.format);
  out.sourceRate = info.samplerate;
  out.sourceChannels = info.channels;
  out.samples = resampleTo44100(mono, info.samplerate);
  return out;
}

}  // namespace orvak::audio
