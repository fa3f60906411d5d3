#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/audio_file.h"

namespace orvak::platform {

namespace {
struct Closer {
  void operator()(SNDFILE* f) const { sf_close(f); }
};
using File = std::unique_ptr<SNDFILE, Closer>;
}  // namespace

AudioClip readAudioFile(const std::filesystem::path& path, double maxSeconds) {
  SF_INFO info{};
  File file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) throw AudioFileError("audio file: " + path.string() + ": " + sf_strerror(nullptr));
  if (info.channels <= 0 || info.samplerate <= 0 || info.frames < 0) {
    throw AudioFileError("audio file: " + path.string() + ": no sound in it");
  }
  if (static_cast<double>(info.frames) > maxSeconds * info.samplerate) {
    throw AudioFileError("audio file: " + path.string() + ": longer than the limit");
  }
  const auto channels = static_cast<std::size_t>(info.channels);
  std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * channels);
  const sf_count_t read = sf_readf_float(file.get(), interleaved.data(), info.frames);
  if (read != info.frames) throw AudioFileError("audio file: " + path.string() + ": cut short");
  AudioClip clip{static_cast<double>(info.samplerate), std::vector<float>(static_cast<std::size_t>(info.frames))};
  for (std::size_t i = 0; i < clip.samples.size(); ++i) {
    float sum = 0;
    for (std::size_t c = 0; c < channels; ++c) sum += interleaved[i * channels + c];
    clip.samples[i] = sum / static_cast<float>(channels);
  }
  return clip;
}

void writeWavFile(const std::filesystem::path& path, const AudioClip& clip) {
  SF_INFO info{};
  info.samplerate = static_cast<int>(std::lround(clip.sampleRate));
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  File file(sf_open(path.c_str(), SFM_WRITE, &info));
  if (!file) throw AudioFileError("audio file: " + path.string() + ": " + sf_strerror(nullptr));
  const auto frames = static_cast<sf_count_t>(clip.samples.size());
  if (sf_writef_float(file.get(), clip.samples.data(), frames) != frames) {
    throw AudioFileError("audio file: " + path.string() + ": write failed");
  }
}

struct WavWriter::Handle {
  File handle;
};

WavWriter::WavWriter(const std::filesystem::path& path, double sampleRate, std::uint64_t limit)
    : path_(path), limit_(std::min(limit, maxSamples)) {
  SF_INFO info{};
  info.samplerate = static_cast<int>(std::lround(sampleRate));
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  file_ = std::make_unique<WavWriter::Handle>();
  file_->handle.reset(sf_open(path.c_str(), SFM_WRITE, &info));
  if (!file_->handle) throw AudioFileError("audio file: " + path.string() + ": " + sf_strerror(nullptr));
}

WavWriter::~WavWriter() { close(); }

void WavWriter::append(std::span<const float> samples) {
  if (!file_ || !file_->handle) throw AudioFileError("audio file: " + path_.string() + ": already closed");
  if (samples.size() > limit_ - written_) {
    throw AudioFileError("audio file: " + path_.string() + ": a WAV file holds at most 4 GB of sound");
  }
  const auto frames = static_cast<sf_count_t>(samples.size());
  if (sf_writef_float(file_->handle.get(), samples.data(), frames) != frames) {
    throw AudioFileError("audio file: " + path_.string() + ": write failed");
  }
  written_ += samples.size();
}

void WavWriter::close() {
  if (file_) file_->handle.reset();  // sf_close writes the sizes into the header
}

}  // namespace orvak::platform
