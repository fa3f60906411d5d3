// The workspace of a simulated desktop: its applications, the front one, its windows, the
// applications that come to the front, the process this program stands for in the scene, and the
// addresses it was asked to open.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/sim_desktop.h"
#include "platform/workspace.h"

namespace orvak::sim {

class SimWorkspace final : public platform::Workspace {
 public:
  explicit SimWorkspace(std::shared_ptr<SimDesktop> desktop) : desktop_(std::move(desktop)) {}

  std::optional<platform::RunningApplication> frontmostApplication() override;
  pid_t ownPid() override { return desktop_->ownPid(); }
  std::vector<platform::WindowInfo> onScreenWindows() override;
  std::optional<std::uint64_t> addActivationObserver(ActivationHandler handler) override;
  void removeActivationObserver(std::uint64_t token) override { desktop_->removeFrontObserver(token); }
  std::vector<platform::RunningApplication> runningApplications() override;
  // Makes a running application of the scene the front one.
  bool activate(pid_t pid) override;
  // Records the address and answers `opensUrls` (true unless a test says otherwise).
  bool openUrl(const std::string& address) override;

  std::vector<std::string> openedUrls() const;
  void setOpensUrls(bool opens);

 private:
  std::shared_ptr<SimDesktop> desktop_;
  mutable std::mutex lock_;
  std::vector<std::string> opened_;
  bool opensUrls_ = true;
};

}  // namespace orvak::sim
