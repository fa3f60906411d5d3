// The application as a process: the Qt application, the main queue on its event loop, one
// instance per session, the controller and its launch, and the end on SIGINT or SIGTERM.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio_hardware.h"
#include "platform/session.h"

#include "platform/audio_input.h"
#include "platform/microphone.h"

namespace orvak {
class AppController;
namespace sim {
class SimEvents;
class SimDesktop;
}  // namespace sim
}  // namespace orvak

namespace orvak::shell {

struct Options {
  // A simulated desktop scene to run against; none: the desktop the environment asks for
  // (ORVAK_PLATFORM, ORVAK_SCENE: platform/desktop.h).
  std::optional<std::filesystem::path> scene;
  // Quit after this many seconds (the workbench); none: run until asked to end.
  std::optional<double> runFor;
  // Whether to be the session's one instance and install the link handler (not for the workbench).
  bool singleInstance = true;
  // Called on the main queue right after launch, with the simulated keyboard and desktop when
  // they are simulated (the workbench double-taps and changes the scene through them), else null.
  std::function<void(AppController&, sim::SimEvents*, sim::SimDesktop*)> onLaunched;
  // Stand-ins for the session's events and the audio hardware (the workbench); none: the real ones.
  std::shared_ptr<platform::Session> session;
  std::shared_ptr<platform::AudioHardware> audioHardware;
  // Stand-ins for the microphone's grant and its input (the workbench); none: the sound server's.
  std::shared_ptr<platform::Microphone> microphone;
  std::function<std::unique_ptr<platform::AudioInput>()> makeMicInput;
};

// Ends the event loop of `run` (main thread).
void quit();

// Runs the application; returns the process's exit status. `args` are the arguments after the
// program name (links to open).
int run(int argc, char** argv, const std::vector<std::string>& args, const Options& options);

}  // namespace orvak::shell
