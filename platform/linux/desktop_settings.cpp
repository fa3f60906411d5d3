#include "platform/desktop_settings.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "core/base/log.h"

extern char** environ;

namespace orvak::platform {

namespace {

// The program's path on PATH, when there is an executable file of that name.
std::string findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!dirs.empty()) {
    const auto colon = dirs.find(':');
    const std::string dir(dirs.substr(0, colon));
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    if (dir.empty()) continue;
    const std::string candidate = dir + "/" + name;
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

bool spawnDetached(const std::string& program, const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Its own session: the settings stay open when Orvak quits.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return false;
  // Someone has to collect its exit status, or it stays behind as a zombie while we run.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace

std::vector<std::vector<std::string>> settingsCommands(SettingsPane pane) {
  switch (pane) {
    case SettingsPane::accessibility:
      return {{"gnome-control-center", "universal-access"}, {"systemsettings", "kcm_access"}};
    case SettingsPane::sound:
      return {{"gnome-control-center", "sound"}, {"systemsettings", "kcm_pulseaudio"}};
  }
  return {};
}

bool openDesktopSettings(SettingsPane pane) {
  for (const auto& command : settingsCommands(pane)) {
    const std::string program = findProgram(command.front());
    if (program.empty()) continue;
    if (spawnDetached(program, command)) return true;
    Log::write("settings: could not start " + command.front());
  }
  Log::write(std::string("settings: no settings program for ") +
             (pane == SettingsPane::accessibility ? "accessibility" : "sound"));
  return false;
}

bool keysWatchable() {
  const char* platform = std::getenv("ORVAK_PLATFORM");
  if (platform != nullptr && std::string_view(platform) == "sim") return true;  // simulated keys
  const char* type = std::getenv("XDG_SESSION_TYPE");
  if (type != nullptr && std::string_view(type) == "wayland") return false;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland != nullptr && *wayland != '\0') return false;
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

}  // namespace orvak::platform
