#include "platform/sound_player.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace orvak::platform {

namespace {

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

}  // namespace

SoundPlayer::SoundPlayer(std::span<const std::uint8_t> wav, DeviceFactory makeDevice) : makeDevice_(std::move(makeDevice)) {
  if (!makeDevice_) makeDevice_ = [] { return makeOutputAudioDevice("Orvak"); };
  if (wav.size() < 12 || std::memcmp(wav.data(), "RIFF", 4) != 0 || std::memcmp(wav.data() + 8, "WAVE", 4) != 0) {
    throw std::invalid_argument("sound: not a WAV file");
  }
  bool haveFormat = false;
  std::size_t at = 12;
  while (at + 8 <= wav.size()) {
    const std::string id(reinterpret_cast<const char*>(wav.data() + at), 4);
    const std::size_t size = le32(wav, at + 4);
    const std::size_t body = at + 8;
    if (size > wav.size() - body) throw std::invalid_argument("sound: truncated WAV chunk " + id);
    if (id == "fmt ") {
      if (size < 16 || le16(wav, body) != 1 || le16(wav, body + 14) != 16) {
        throw std::invalid_argument("sound: only 16-bit integer PCM is played");
      }
      format_ = {static_cast<double>(le32(wav, body + 4)), le16(wav, body + 2)};
      haveFormat = format_.isValid();
    } else if (id == "data" && haveFormat) {
      samples_.reserve(size / 2);
      for (std::size_t i = 0; i + 1 < size; i += 2) {
        samples_.push_back(static_cast<float>(static_cast<std::int16_t>(le16(wav, body + i))) / 32768.0f);
      }
      return;
    }
    at = body + size + (size & 1);  // chunks are padded to even sizes
  }
  throw std::invalid_argument("sound: WAV without format or data");
}

SoundPlayer::~SoundPlayer() { stop(); }

void SoundPlayer::play() {
  std::lock_guard lock(mutex_);
  stopRequested_.store(true);
  if (thread_.joinable()) thread_.join();
  stopRequested_.store(false);
  playing_.store(true);
  thread_ = std::thread([this] { run(); });
}

void SoundPlayer::stop() {
  std::lock_guard lock(mutex_);
  stopRequested_.store(true);
  if (thread_.joinable()) thread_.join();
}

void SoundPlayer::wait() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) thread_.join();
}

void SoundPlayer::run() {
  try {
    auto device = makeDevice_();
    device->open(format_);
    // About 10 ms a write, and never less than a frame: an empty slice would never get anywhere.
    const std::size_t chunk = std::max<std::size_t>(1, static_cast<std::size_t>(format_.sampleRate / 100)) * format_.channels;
    for (std::size_t at = 0; at < samples_.size() && !stopRequested_.load(); at += chunk) {
      const std::size_t n = std::min(chunk, samples_.size() - at);
      device->write(std::span<const float>(samples_).subspan(at, n));
    }
    // Closing drops what the device still holds: let it play out first, with silence behind it.
    const std::vector<float> silence(chunk, 0.0f);
    const auto total = frameCount();
    for (int i = 0; i < 50 && !stopRequested_.load() && device->framesPlayed() < total; ++i) device->write(silence);
    device->close();
  } catch (const AudioDeviceError&) {
    // No device, no sound: a cue is never worth an error.
  }
  playing_.store(false);
}

}  // namespace orvak::platform
