// Crash reports on Linux, where the system writes none for us: handlers for SIGSEGV, SIGBUS,
// SIGILL, SIGFPE and SIGABRT, on an alternate stack, that write "orvak-<seconds>-<pid>.crash"
// into the crash folder (the version, the signal and the frames) and then end the process by the
// same signal. The handler only writes: everything it needs is prepared at install time.
#pragma once

#include <filesystem>

namespace orvak::crash {

// Installs the handlers, writing into `folder` (created now). False when the folder cannot be
// made or the handlers cannot be set. Called once, early, from the main thread.
bool install(const std::filesystem::path& folder);

}  // namespace orvak::crash
