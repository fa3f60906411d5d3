#include "platform/sim/sim_workspace.h"

namespace orvak::sim {

namespace {
platform::RunningApplication running(const SimApp& app) {
  return platform::RunningApplication{app.name, app.bundleId, app.pid, app.launchedAt, app.frameworks};
}
}  // namespace

std::optional<platform::RunningApplication> SimWorkspace::frontmostApplication() {
  const auto app = desktop_->frontmost();
  if (!app) return std::nullopt;
  return running(*app);
}

std::vector<platform::WindowInfo> SimWorkspace::onScreenWindows() {
  std::vector<platform::WindowInfo> out;
  for (const SimWindow& w : desktop_->windows()) out.push_back({w.number, w.owner, w.pid, w.frame, w.alpha});
  return out;
}

std::optional<std::uint64_t> SimWorkspace::addActivationObserver(ActivationHandler handler) {
  return desktop_->addFrontObserver([handler = std::move(handler)](const SimApp& app) { handler(running(app)); });
}

std::vector<platform::RunningApplication> SimWorkspace::runningApplications() {
  std::vector<platform::RunningApplication> out;
  for (const auto& app : desktop_->applications()) out.push_back(running(app));
  return out;
}

bool SimWorkspace::activate(pid_t pid) {
  for (const auto& app : desktop_->applications()) {
    if (app.pid == pid) {
      desktop_->setFrontmost(pid);
      return true;
    }
  }
  return false;
}

bool SimWorkspace::openUrl(const std::string& address) {
  std::lock_guard guard(lock_);
  opened_.push_back(address);
  return opensUrls_;
}

std::vector<std::string> SimWorkspace::openedUrls() const {
  std::lock_guard guard(lock_);
  return opened_;
}

void SimWorkspace::setOpensUrls(bool opens) {
  std::lock_guard guard(lock_);
  opensUrls_ = opens;
}

}  // namespace orvak::sim
