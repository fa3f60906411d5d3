#include "platform/linux/x11_workspace.h"

#include <X11/Xatom.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <set>

#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "platform/linux/proc_apps.h"
#include "platform/process.h"

namespace orvak::x11 {

namespace {
// How long xdg-open may take to hand an address over.
constexpr double kOpenTimeout = 20;
// How often the focus is looked at on a desktop without a window manager.
constexpr int kFocusPollMs = 250;
}  // namespace

std::shared_ptr<X11Workspace> X11Workspace::open() {
  auto c = Connection::open();
  if (!c) return nullptr;
  return std::shared_ptr<X11Workspace>(new X11Workspace(std::move(c)));
}

X11Workspace::X11Workspace(std::unique_ptr<Connection> queries) : queries_(std::move(queries)) {}

X11Workspace::~X11Workspace() { stopWatch(); }

namespace {
std::optional<platform::RunningApplication> applicationOf(Connection& c, Window w) {
  const auto pid = c.pidOf(w);
  if (!pid) return std::nullopt;
  return describeProcess(*pid, c.windowClass(w));
}
}  // namespace

std::optional<platform::RunningApplication> X11Workspace::frontmostApplication() {
  std::lock_guard lock(queryLock_);
  const auto active = queries_->activeWindow();
  if (!active) return std::nullopt;
  return applicationOf(*queries_, *active);
}

pid_t X11Workspace::ownPid() { return getpid(); }

std::vector<platform::WindowInfo> X11Workspace::onScreenWindows() {
  std::lock_guard lock(queryLock_);
  std::vector<platform::WindowInfo> out;
  std::map<pid_t, std::optional<std::string>> names;
  for (Window w : queries_->topLevels()) {
    platform::WindowInfo info;
    info.number = static_cast<std::int64_t>(w);
    info.ownerPid = queries_->pidOf(w);
    if (info.ownerPid) {
      auto [it, fresh] = names.try_emplace(*info.ownerPid);
      if (fresh) {
        if (auto app = applicationOf(*queries_, w)) it->second = app->name;
      }
      info.owner = it->second;
    }
    info.bounds = queries_->frameOf(w);
    info.alpha = queries_->opacityOf(w);
    out.push_back(std::move(info));
  }
  return out;
}

std::vector<platform::RunningApplication> X11Workspace::runningApplications() {
  std::lock_guard lock(queryLock_);
  std::vector<platform::RunningApplication> out;
  std::set<pid_t> seen;
  for (Window w : queries_->topLevels()) {
    const auto pid = queries_->pidOf(w);
    if (!pid || !seen.insert(*pid).second) continue;
    if (auto app = describeProcess(*pid, queries_->windowClass(w))) out.push_back(std::move(*app));
  }
  return out;
}

bool X11Workspace::isRunning(pid_t pid, std::uint64_t launchedAt) { return processRunning(pid, launchedAt); }

bool X11Workspace::activate(pid_t pid) {
  std::lock_guard lock(queryLock_);
  Display* d = queries_->display();
  for (Window w : queries_->topLevels()) {
    if (queries_->pidOf(w) != pid) continue;
    if (queries_->hasWindowManager()) {
      // Asking the window manager, as a pager does (source 2), so that focus-stealing rules let it.
      XEvent e{};
      e.xclient.type = ClientMessage;
      e.xclient.window = w;
      e.xclient.message_type = queries_->atom("_NET_ACTIVE_WINDOW");
      e.xclient.format = 32;
      e.xclient.data.l[0] = 2;
      e.xclient.data.l[1] = CurrentTime;
      XSendEvent(d, queries_->root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    } else {
      XRaiseWindow(d, w);
      XSetInputFocus(d, w, RevertToParent, CurrentTime);
    }
    XSync(d, False);
    return true;
  }
  return false;
}

bool X11Workspace::openUrl(const std::string& address) {
  // Only absolute addresses, and never one xdg-open could take for an option.
  const auto colon = address.find(':');
  if (address.empty() || address.front() == '-' || colon == std::string::npos || colon == 0) return false;
  const auto result = platform::runProcess({"xdg-open", address}, std::nullopt, kOpenTimeout);
  return result && result->status == 0;
}

std::optional<std::uint64_t> X11Workspace::addActivationObserver(ActivationHandler handler) {
  std::lock_guard lock(observers_->lock);
  if (!watcher_.joinable()) {
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return std::nullopt;
    // The window active now is taken here, not when the thread gets going: an activation in
    // between is then still a change.
    std::optional<Window> active;
    {
      std::lock_guard queries(queryLock_);
      active = queries_->activeWindow();
    }
    watcher_ = std::thread([this, active] { watch(active); });
  }
  const std::uint64_t token = observers_->nextToken++;
  observers_->handlers.emplace(token, std::move(handler));
  return token;
}

void X11Workspace::removeActivationObserver(std::uint64_t token) {
  std::lock_guard lock(observers_->lock);
  observers_->handlers.erase(token);
}

void X11Workspace::stopWatch() {
  if (!watcher_.joinable()) return;
  stopping_ = true;
  const char byte = 1;
  (void)!write(wake_[1], &byte, 1);
  watcher_.join();
  close(wake_[0]);
  close(wake_[1]);
}

void X11Workspace::watch(std::optional<Window> last) {
  auto c = Connection::open();
  if (!c) {
    Log::write("Workspace: cannot watch activations: the X display does not answer");
    return;
  }
  const Atom activeAtom = c->atom("_NET_ACTIVE_WINDOW");
  XSelectInput(c->display(), c->root(), PropertyChangeMask);
  XFlush(c->display());
  const int fd = ConnectionNumber(c->display());
  while (!stopping_) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    const bool managed = c->hasWindowManager();
    poll(fds, 2, managed ? -1 : kFocusPollMs);
    if (stopping_) break;
    bool changed = false;
    while (XPending(c->display())) {
      XEvent e;
      XNextEvent(c->display(), &e);
      if (e.type == PropertyNotify && e.xproperty.atom == activeAtom) changed = true;
    }
    if (!changed && managed) continue;
    const auto now = c->activeWindow();
    if (now == last) continue;
    last = now;
    if (!now) continue;
    const auto app = applicationOf(*c, *now);
    if (!app) continue;
    std::vector<std::uint64_t> tokens;
    {
      std::lock_guard lock(observers_->lock);
      for (const auto& [token, h] : observers_->handlers) tokens.push_back(token);
    }
    // Each observer is looked up again on the main queue: one removed meanwhile hears nothing.
    for (std::uint64_t token : tokens) {
      dispatch::main().async([observers = observers_, token, app = *app] {
        ActivationHandler handler;
        {
          std::lock_guard lock(observers->lock);
          if (auto it = observers->handlers.find(token); it != observers->handlers.end()) handler = it->second;
        }
        if (handler) handler(app);
      });
    }
  }
}

}  // namespace orvak::x11
