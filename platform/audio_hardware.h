// What the sound server says about the machine's audio hardware: the default output device with
// the properties that tell headphones from speakers, which programs are recording now, and when
// the default output changes.
//
// Every failure reads as absence: no server means no output, no recorders and no change events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvak::platform {

struct OutputDevice {
  std::uint32_t id = 0;
  std::string name;  // the name people see ("Built-in Audio Analog Stereo"); may be empty
  std::string bus;   // how it is attached: "bluetooth", "usb", "pci", "platform", ... ("" virtual)
  bool headphonesPort = false;  // the active port (or the device's form) is headphones or a headset
};

struct RecordingProcess {
  int pid = 0;
  std::string binary;   // "firefox", "zoom"; may be empty
  std::string appName;  // "Firefox", "Zoom Meetings"; may be empty
};

class AudioHardware {
 public:
  virtual ~AudioHardware() = default;
  virtual std::optional<OutputDevice> defaultOutput() = 0;
  // Running (not corked) recording streams with their programs, in the server's order; a program
  // recording on several streams appears once for each.
  virtual std::vector<RecordingProcess> recordingProcesses() = 0;
  // Calls `onChange` on the main queue when the default output device, or its active port,
  // changes. Kept for the life of the process.
  virtual void watch(std::function<void()> onChange) = 0;
};

// The PulseAudio (or PipeWire-Pulse) view of the hardware.
std::unique_ptr<AudioHardware> makePulseAudioHardware(std::string clientName);

// The process's hardware view: PulseAudio, created on first use.
AudioHardware& audioHardware();

}  // namespace orvak::platform
