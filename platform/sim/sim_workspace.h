// The workspace of a simulated desktop: its front application and the process this program
// stands for in the scene.
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

 private:
  std::shared_ptr<SimDesktop> desktop_;
};

}  // namespace orvak::sim
