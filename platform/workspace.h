// The workspace: which application is in front, and who we are.
//
// Answers come from the desktop at the moment of asking; nothing is cached. Every member may be
// called from any thread.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvak::platform {

struct RunningApplication {
  std::optional<std::string> name;      // the localized name; some applications have none
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

class Workspace {
 public:
  virtual ~Workspace() = default;
  // The application that receives key presses; none when nothing is in front.
  virtual std::optional<RunningApplication> frontmostApplication() = 0;
  // This program's own process id.
  virtual pid_t ownPid() = 0;
};

}  // namespace orvak::platform
