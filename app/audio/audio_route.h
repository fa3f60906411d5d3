// Where sound goes now and who else is using the microphone: whether the output is personal
// (headphones), when it changes, and which calling or browser programs are recording right now.
// The interruption watcher pauses reading when headphones go away or a call starts; the voice
// commands refuse push-to-talk while another program records.
//
// No state of its own; every answer comes from the audio hardware layer, and every failure there
// reads as absence. Each function takes the hardware to ask (tests pass a simulated one).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio_hardware.h"

namespace orvak::AudioRoute {

struct Output {
  std::uint32_t id = 0;
  std::string name;       // "?" when the device has none
  bool personal = false;  // only the user hears it: headphones, Bluetooth, a USB headset
  bool operator==(const Output&) const = default;
};

// A program that records during calls (or a browser that may be in one), by the prefix of its
// lower-cased binary or application name (spaces read as dashes), with the name shown to the user.
struct KnownRecorder {
  std::string_view prefix;
  std::string_view displayName;
};
// Call and meeting programs first, then browsers.
extern const std::vector<KnownRecorder> knownRecorders;

// The default output device now.
std::optional<Output> output(platform::AudioHardware& hardware = platform::audioHardware());
// Calls `onChange` on the main queue when the default output or its active port changes.
void watch(std::function<void()> onChange, platform::AudioHardware& hardware = platform::audioHardware());
// Names (binary, else application name, else "pid N") of the other programs recording now that
// are known calling or browser programs, in the server's order.
std::vector<std::string> othersRecording(platform::AudioHardware& hardware = platform::audioHardware());
// The name to show for one of those: the program's own application name while it records, else
// the table's, else "another app".
std::string appName(const std::string& identifier, platform::AudioHardware& hardware = platform::audioHardware());

// Bluetooth: yes. USB: yes unless its name says speaker, display, monitor or studio. Built in
// (PCI or platform audio): only on a headphones port. Anything else (HDMI shows up as a non-
// headphones port of the built-in card; virtual and network sinks have no bus): no.
bool isPersonal(const platform::OutputDevice& device);

}  // namespace orvak::AudioRoute
