// Where rendered sound goes: a narrow output-device interface and the choice of device.
//
// The audio engine renders interleaved 32-bit float frames and hands them to one `AudioDevice`.
// A paced device (PulseAudio, the null device) blocks in `write` until it can take more, and so
// sets the render thread's pace; an unpaced one (the capture device of tests) takes everything at
// once, and the engine clocks it from core/dispatch instead, which makes it run in virtual time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

namespace orvak::platform {

// Interleaved 32-bit float PCM.
struct AudioFormat {
  double sampleRate = 0;
  std::uint32_t channels = 0;

  bool operator==(const AudioFormat&) const = default;
  bool isValid() const;
  // Mono at `sampleRate`: the format of every node in the graph.
  static AudioFormat mono(double sampleRate) { return {sampleRate, 1}; }
  // "<2 ch, 44100 Hz, Float32, interleaved>".
  std::string describe() const;
};

struct AudioDeviceError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class AudioDevice {
 public:
  virtual ~AudioDevice() = default;
  // Set once by the device's owner before the device is used: called, from any thread, when the
  // sound system replaced or reconfigured the device under an open stream, so that whoever
  // renders into it must set it up again.
  std::function<void()> onReconfigured;
  // "pulse", "null" or "capture": what the log names.
  virtual std::string name() const = 0;
  // Opens for frames in `format`; throws AudioDeviceError when the device cannot be had. The
  // frame counters restart at 0.
  virtual void open(const AudioFormat& format) = 0;
  // Drops what is still queued and lets go of the device. Safe when not open.
  virtual void close() = 0;
  // Hands over interleaved frames. Paced devices block until they can take them.
  virtual void write(std::span<const float> interleaved) = 0;
  // Frames that have reached the listener since `open` (never more than were written).
  virtual std::uint64_t framesPlayed() const = 0;
  // Seconds from handing a frame over to hearing it.
  virtual double latencySeconds() const = 0;
  // True when `write` sets the pace in real time; false when the caller must clock it.
  virtual bool paced() const = 0;
};

// Consumes frames in real time and discards them: headless runs and CI.
std::unique_ptr<AudioDevice> makeNullAudioDevice();

// PulseAudio (or PipeWire's PulseAudio server); `open` throws when no server answers.
std::unique_ptr<AudioDevice> makePulseAudioDevice(std::string clientName);

// True when a PulseAudio server accepts a connection now.
bool pulseServerAnswers(const std::string& clientName);

// The output device for this run: ORVAK_AUDIO=pulse or null forces one; otherwise PulseAudio when
// a server answers, else the null device.
std::unique_ptr<AudioDevice> makeOutputAudioDevice(const std::string& clientName);

}  // namespace orvak::platform
