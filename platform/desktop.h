// The desktop this program reads and listens to: the Accessibility interface, the workspace and
// the input events, chosen once at start-up.
//
// ORVAK_PLATFORM=linux (the default) reads the real desktop: AT-SPI2 for Accessibility, X11 for
// the workspace and input. ORVAK_PLATFORM=sim reads a simulated desktop instead: the scene file
// ORVAK_SCENE names, or an empty desktop without one. On Linux without an X display (a Wayland
// session without XWayland, a console) the simulated workspace and events stand in for the X11
// ones, with a log line saying so.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "platform/ax.h"
#include "platform/events.h"
#include "platform/workspace.h"

namespace orvak::sim {
class SimDesktop;
}

namespace orvak::platform {

struct Desktop {
  std::shared_ptr<ax::System> ax;
  std::shared_ptr<Workspace> workspace;
  std::shared_ptr<Events> events;
  // The simulated desktop behind the services, when any of them is simulated.
  std::shared_ptr<sim::SimDesktop> simulated;
  // "linux", "sim", or "linux+sim" when simulated services stand in for missing X11 ones.
  std::string kind;
};

// A value of ORVAK_PLATFORM other than "linux" or "sim", or an ORVAK_SCENE that cannot be loaded.
struct DesktopError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The desktop the environment asks for. Throws DesktopError.
Desktop makeDesktop();

}  // namespace orvak::platform
