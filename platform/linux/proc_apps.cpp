#include "platform/linux/proc_apps.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orvak::x11 {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxFolderEntries = 512;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

struct ProcessStat {
  char state = '?';
  std::uint64_t started = 0;
};

std::optional<ProcessStat> processStat(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!in || !std::getline(in, stat)) return std::nullopt;
  // The command name in parentheses may hold spaces and parentheses: count fields after the last.
  const auto close = stat.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(stat.substr(close + 1));
  std::string field;
  ProcessStat out;
  // Fields 3 (state) to 22 (starttime).
  for (int i = 3; i <= 22; ++i) {
    if (!(fields >> field)) return std::nullopt;
    if (i == 3) out.state = field.empty() ? '?' : field.front();
  }
  char* end = nullptr;
  const unsigned long long value = std::strtoull(field.c_str(), &end, 10);
  if (end == field.c_str() || *end != '\0') return std::nullopt;
  out.started = value;
  return out;
}
}  // namespace

std::optional<std::uint64_t> launchStamp(pid_t pid) {
  const auto stat = processStat(pid);
  if (!stat) return std::nullopt;
  return stat->started;
}

bool processRunning(pid_t pid, std::uint64_t launchedAt) {
  const auto stat = processStat(pid);
  // Z: ended, waiting for its parent; X: being torn down.
  return stat && stat->started == launchedAt && stat->state != 'Z' && stat->state != 'X';
}

std::vector<std::string> frameworksIn(const fs::path& folder) {
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end && out.size() < kMaxFolderEntries;
       it.increment(ec)) {
    out.push_back(it->path().filename().string());
  }
  if (fs::exists(folder / "resources" / "app.asar", ec)) out.emplace_back("resources/app.asar");
  std::sort(out.begin(), out.end());
  return out;
}

std::optional<platform::RunningApplication> describeProcess(
    pid_t pid, const std::optional<std::pair<std::string, std::string>>& windowClass) {
  const auto stamp = launchStamp(pid);
  if (!stamp) return std::nullopt;
  platform::RunningApplication app;
  app.pid = pid;
  app.launchedAt = *stamp;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
  if (!ec) app.frameworks = frameworksIn(exe.parent_path());
  const std::string instance = windowClass ? windowClass->first : "";
  const std::string cls = windowClass ? windowClass->second : "";
  if (auto entry = platform::findDesktopEntry(instance, cls, ec ? std::string() : exe.filename().string())) {
    app.name = entry->name;
    app.bundleId = entry->id;
  } else if (!cls.empty()) {
    app.name = cls;
    app.bundleId = lower(cls);
  } else if (!ec) {
    app.name = exe.filename().string();
  }
  return app;
}

}  // namespace orvak::x11
