// Whether this program may listen to the microphone, and asking for it.
//
// Linux desktops keep no per-program microphone grant: access is there when the sound server has
// an input to record from, and asking shows nothing (it only reads the state again), so `notAsked`
// never occurs there.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace orvak::platform {

enum class MicAccess { granted, notAsked, denied };

class Microphone {
 public:
  virtual ~Microphone() = default;
  // The state now. Any thread.
  virtual MicAccess access() = 0;
  // Asks the user for access; `answered` is called once, on any thread, when the answer is in.
  // Read `access` again for it.
  virtual void request(std::function<void()> answered) = 0;
};

// The PulseAudio (or PipeWire-Pulse) view: granted while the server has a capture source that is
// not the monitor of an output; no server means denied.
std::shared_ptr<Microphone> makePulseMicrophone(std::string clientName);

}  // namespace orvak::platform
