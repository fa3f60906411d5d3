// Plays one short WAV sound on an output device of its own, outside the audio graph: the cue
// sounds when the graph's engine is not running.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/audio_device.h"

namespace orvak::platform {

class SoundPlayer {
 public:
  using DeviceFactory = std::function<std::unique_ptr<AudioDevice>()>;

  // `wav`: a 16-bit PCM WAV file. Throws std::invalid_argument when it is not one. The device
  // defaults to the automatically chosen output.
  explicit SoundPlayer(std::span<const std::uint8_t> wav, DeviceFactory makeDevice = {});
  ~SoundPlayer();
  SoundPlayer(const SoundPlayer&) = delete;
  SoundPlayer& operator=(const SoundPlayer&) = delete;

  // Plays from the start, cutting off a play in progress. A device that cannot be opened plays
  // nothing.
  void play();
  void stop();
  bool isPlaying() const { return playing_.load(); }
  // Waits until the current play has finished (tools and tests).
  void wait();

  const AudioFormat& format() const { return format_; }
  std::size_t frameCount() const { return format_.channels == 0 ? 0 : samples_.size() / format_.channels; }

 private:
  void run();

  AudioFormat format_;
  std::vector<float> samples_;  // interleaved
  DeviceFactory makeDevice_;
  std::mutex mutex_;
  std::thread thread_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> playing_{false};
};

}  // namespace orvak::platform
