// The real desktop for the commands that read the window in front.
#include <cstdio>

#include "core/base/dispatch.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

std::optional<platform::Desktop> frontDesktop(double afterSeconds) {
  platform::Desktop desktop;
  try {
    desktop = platform::makeDesktop();
  } catch (const platform::DesktopError& e) {
    std::fprintf(stderr, "orvak-dev: %s\n", e.what());
    return std::nullopt;
  }
  std::fprintf(stderr, "desktop: %s\n", desktop.kind.c_str());
  // Asking with the prompt switches accessibility on for the session; programs started before
  // that may need a restart to show their windows.
  if (!desktop.ax->isProcessTrusted(true)) {
    std::fprintf(stderr, "orvak-dev: the accessibility bus does not answer or accessibility is off\n");
    return std::nullopt;
  }
  if (afterSeconds > 0) {
    std::fprintf(stderr, "reading the front window in %g s\n", afterSeconds);
    // The main queue is pumped meanwhile, so nothing queued on it waits.
    const double until = dispatch::monotonicSeconds() + afterSeconds;
    dispatch::mainloop::runUntil([&] { return dispatch::monotonicSeconds() >= until; },
                                 afterSeconds + 1);
  }
  if (auto app = desktop.workspace->frontmostApplication()) {
    std::fprintf(stderr, "front: %s (pid %d)\n", app->name.value_or("?").c_str(), int(app->pid));
  }
  return desktop;
}

}  // namespace orvak::dev
