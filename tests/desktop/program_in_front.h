// A workspace whose front application is one given program, for desktop tests that start the
// program themselves (there is no window manager to say which window is active).
#pragma once

#include <unistd.h>

#include <optional>
#include <vector>

#include "platform/workspace.h"

namespace orvak::test {

class ProgramInFront final : public platform::Workspace {
 public:
  // `self` says whether the program counts as our own process (which only some captures read).
  explicit ProgramInFront(platform::RunningApplication front, bool self = false)
      : front_(std::move(front)), self_(self) {}
  std::optional<platform::RunningApplication> frontmostApplication() override { return front_; }
  pid_t ownPid() override { return self_ ? front_.pid : ::getpid(); }
  std::vector<platform::WindowInfo> onScreenWindows() override { return {}; }
  std::optional<std::uint64_t> addActivationObserver(ActivationHandler) override { return std::nullopt; }
  void removeActivationObserver(std::uint64_t) override {}

 private:
  platform::RunningApplication front_;
  bool self_;
};

}  // namespace orvak::test
