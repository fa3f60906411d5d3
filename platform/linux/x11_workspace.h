// The workspace of an X11 desktop, after the window manager conventions (EWMH): the front
// application from the active window and the process owning it, the windows on screen, the
// applications coming to the front, and opening addresses with xdg-open.
//
// Without a window manager (a bare X server) the window holding the keyboard focus stands in for
// the active one, the mapped top-level windows for the window list, and activations are noticed
// by looking at the focus four times a second.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/linux/x11_display.h"
#include "platform/workspace.h"

namespace orvak::x11 {

class X11Workspace final : public platform::Workspace {
 public:
  // None when no X display can be opened.
  static std::shared_ptr<X11Workspace> open();
  ~X11Workspace() override;

  std::optional<platform::RunningApplication> frontmostApplication() override;
  pid_t ownPid() override;
  std::vector<platform::WindowInfo> onScreenWindows() override;
  std::optional<std::uint64_t> addActivationObserver(ActivationHandler handler) override;
  void removeActivationObserver(std::uint64_t token) override;
  std::vector<platform::RunningApplication> runningApplications() override;
  // From /proc alone: no window or desktop entry is looked at.
  bool isRunning(pid_t pid, std::uint64_t launchedAt) override;
  bool activate(pid_t pid) override;
  bool openUrl(const std::string& address) override;

 private:
  explicit X11Workspace(std::unique_ptr<Connection> queries);
  void watch(std::optional<Window> last);  // the activation thread
  void stopWatch();

  std::mutex queryLock_;  // guards queries_
  std::unique_ptr<Connection> queries_;

  // Shared with the deliveries still queued on the main queue.
  struct Observers {
    std::mutex lock;
    std::map<std::uint64_t, ActivationHandler> handlers;
    std::uint64_t nextToken = 1;
  };
  std::shared_ptr<Observers> observers_ = std::make_shared<Observers>();
  std::thread watcher_;
  int wake_[2] = {-1, -1};
  std::atomic<bool> stopping_{false};
};

}  // namespace orvak::x11
