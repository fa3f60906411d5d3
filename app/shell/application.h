// The application as a process: the Qt application, the main queue on its event loop, one
// instance per session, the controller and its launch, and the end on SIGINT or SIGTERM.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvak {
class AppController;
namespace sim {
class SimEvents;
}
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
  // Called on the main queue right after launch, with the simulated keyboard when the input is
  // simulated (the workbench double-taps through it), else null.
  std::function<void(AppController&, sim::SimEvents*)> onLaunched;
};

// Ends the event loop of `run` (main thread).
void quit();

// Runs the application; returns the process's exit status. `args` are the arguments after the
// program name (links to open).
int run(int argc, char** argv, const std::vector<std::string>& args, const Options& options);

}  // namespace orvak::shell
