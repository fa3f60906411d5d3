// The workspace: which application is in front, which are running, the windows on screen, which
// application came to the front, and who we are; bringing an application forward and opening an
// address in its default application.
//
// Answers come from the desktop at the moment of asking; nothing is cached. Every member may be
// called from any thread. A backend that cannot do something keeps the default answer (nothing
// running, nothing activated or opened), so callers fall through to their next choice.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ax.h"

namespace orvak::platform {

struct RunningApplication {
  std::optional<std::string> name;  // the localized name; some applications have none
  std::optional<std::string> bundleId;
  pid_t pid = 0;
  // When this process started, on a clock of the backend's choosing: two processes that had the
  // same id one after the other differ here, so a relaunched application is told from the old one.
  std::uint64_t launchedAt = 0;
  // Entry names of the application bundle's frameworks folder; empty when it has no bundle or the
  // folder cannot be listed.
  std::vector<std::string> frameworks;
  bool operator==(const RunningApplication&) const = default;
};

// One window on screen, as the window server describes it. What the server does not know (a window
// without an owning process, a window manager that keeps no opacity) is absent.
struct WindowInfo {
  std::int64_t number = 0;           // the server's window number, unique while it exists
  std::optional<std::string> owner;  // the owning application's name
  std::optional<pid_t> ownerPid;
  std::optional<ax::Rect> bounds;  // global screen points, origin top left
  std::optional<double> alpha;     // opacity, 0 (invisible) to 1
  bool operator==(const WindowInfo&) const = default;
};

class Workspace {
 public:
  virtual ~Workspace() = default;
  // The application that receives key presses; none when nothing is in front.
  virtual std::optional<RunningApplication> frontmostApplication() = 0;
  // This program's own process id.
  virtual pid_t ownPid() = 0;

  // The windows on screen now, front to back, desktop background and panels' own surfaces left
  // out. Empty when the server gives no list.
  virtual std::vector<WindowInfo> onScreenWindows() = 0;

  // Calls `handler` on the main queue each time an application becomes the active one (ours
  // included), with what is known of it. Returns a token for `removeActivationObserver`, or none
  // when activations cannot be watched.
  using ActivationHandler = std::function<void(const RunningApplication&)>;
  virtual std::optional<std::uint64_t> addActivationObserver(ActivationHandler handler) = 0;
  // No call of that observer's handler starts after this returns. Unknown tokens are ignored.
  virtual void removeActivationObserver(std::uint64_t token) = 0;
  // Every application with a user interface, in the desktop's order.
  virtual std::vector<RunningApplication> runningApplications() { return {}; }
  // Whether the process `pid` that was launched at `launchedAt` still runs, with or without
  // windows (a process id used again by a later program does not count). By default: whether it
  // is among the running applications.
  virtual bool isRunning(pid_t pid, std::uint64_t launchedAt) {
    for (const auto& a : runningApplications()) {
      if (a.pid == pid && a.launchedAt == launchedAt) return true;
    }
    return false;
  }
  // Brings the application's windows to the front; false when it could not.
  virtual bool activate(pid_t /*pid*/) { return false; }
  // Opens an absolute address (http, https, file...) in the desktop's default application for it;
  // false when nothing took it.
  virtual bool openUrl(const std::string& /*address*/) { return false; }
};

}  // namespace orvak::platform
