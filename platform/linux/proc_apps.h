// What Linux tells about a running program outside the X server: when its process started
// (/proc/PID/stat), the folder of its executable, and the name and identifier of its desktop
// entry (platform/desktop_entries.h).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop_entries.h"
#include "platform/workspace.h"

namespace orvak::x11 {

// When the process started, in clock ticks since boot; none when it is gone. A process id used
// again by a later process gives a later stamp.
std::optional<std::uint64_t> launchStamp(pid_t pid);
// Whether the process `pid` launched at `launchedAt` (a stamp of `launchStamp`) still runs. One
// that has ended but is not yet reaped by its parent (a zombie) no longer does.
bool processRunning(pid_t pid, std::uint64_t launchedAt);

// The names in an executable's folder (at most a few hundred, sorted), with "resources/app.asar"
// added when that file is there: the marks by which the capture knows Electron programs and
// Chromium-family browsers.
std::vector<std::string> frameworksIn(const std::filesystem::path& folder);

// The running application of a process with what is known of it: the desktop entry's name and
// identifier, else the window class's; its launch stamp and frameworks. None when the process is
// gone.
std::optional<platform::RunningApplication> describeProcess(
    pid_t pid, const std::optional<std::pair<std::string, std::string>>& windowClass);

}  // namespace orvak::x11
