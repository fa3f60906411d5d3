// The workspace of a simulated desktop: its front application, its windows, the applications that
// come to the front, and the process this program stands for in the scene.
#pragma once

#include <memory>

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

 private:
  std::shared_ptr<SimDesktop> desktop_;
};

}  // namespace orvak::sim
