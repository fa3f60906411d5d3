#include "platform/sim/sim_workspace.h"

namespace orvak::sim {

std::optional<platform::RunningApplication> SimWorkspace::frontmostApplication() {
  const auto app = desktop_->frontmost();
  if (!app) return std::nullopt;
  return platform::RunningApplication{app->name, app->bundleId, app->pid, app->launchedAt, app->frameworks};
}

}  // namespace orvak::sim
