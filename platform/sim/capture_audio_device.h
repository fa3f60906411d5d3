// An output device for tests: it keeps every frame it is given, so a test can check what was
// really rendered, and when.
//
// It is unpaced, so the engine clocks it from core/dispatch (virtual time in tests). An optional
// latency holds back `framesPlayed` by a fixed number of frames, like a real device's buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio_device.h"

namespace orvak::platform {

// What the capture device received, shared with the test that reads it.
class AudioTape {
 public:
  // Every frame written since the tape was made (across opens), interleaved.
  std::vector<float> interleaved() const;
  // One channel of it.
  std::vector<float> channel(std::uint32_t index) const;
  std::uint64_t frameCount() const;
  AudioFormat format() const;
  int opens() const;
  bool isOpen() const;

 private:
  friend class CaptureAudioDevice;
  mutable std::mutex mutex_;
  std::vector<float> data_;
  AudioFormat format_;
  int opens_ = 0;
  bool open_ = false;
};

class CaptureAudioDevice final : public AudioDevice {
 public:
  explicit CaptureAudioDevice(std::shared_ptr<AudioTape> tape, std::uint64_t latencyFrames = 0);

  std::string name() const override { return "capture"; }
  void open(const AudioFormat& format) override;
  void close() override;
  void write(std::span<const float> interleaved) override;
  std::uint64_t framesPlayed() const override;
  double latencySeconds() const override;
  bool paced() const override { return false; }
  // The device is replaced under the open stream, as when the sound system switches outputs.
  void reconfigure() {
    if (onReconfigured) onReconfigured();
  }

 private:
  std::shared_ptr<AudioTape> tape_;
  std::uint64_t latencyFrames_;
  mutable std::mutex mutex_;
  AudioFormat format_;
  std::uint64_t written_ = 0;
};

}  // namespace orvak::platform
