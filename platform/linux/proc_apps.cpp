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
constexpr std::size_t kMaxEntryLines = 400;
constexpr std::size_t kMaxEntriesScanned = 4000;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

std::vector<fs::path> applicationFolders() {
  std::vector<fs::path> out;
  const char* home = std::getenv("XDG_DATA_HOME");
  if (home && *home) {
    out.emplace_back(fs::path(home) / "applications");
  } else if (const char* h = std::getenv("HOME"); h && *h) {
    out.emplace_back(fs::path(h) / ".local/share/applications");
  }
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
  std::stringstream in(list);
  for (std::string dir; std::getline(in, dir, ':');) {
    if (!dir.empty()) out.emplace_back(fs::path(dir) / "applications");
  }
  return out;
}

// The main group's Name and StartupWMClass; none when the file is not a readable entry or hides
// itself.
struct EntryFields {
  std::string name;
  std::string wmClass;
};
std::optional<EntryFields> readEntry(const fs::path& file) {
  std::ifstream in(file);
  if (!in) return std::nullopt;
  EntryFields f;
  bool inMain = false;
  std::string line;
  for (std::size_t n = 0; n < kMaxEntryLines && std::getline(in, line); ++n) {
    if (line.starts_with("[")) {
      if (inMain) break;
      inMain = line == "[Desktop Entry]";
      continue;
    }
    if (!inMain) continue;
    if (line.starts_with("Name=")) f.name = line.substr(5);
    if (line.starts_with("StartupWMClass=")) f.wmClass = line.substr(15);
    if (line == "NoDisplay=true" || line == "Hidden=true") return std::nullopt;
  }
  if (f.name.empty()) return std::nullopt;
  return f;
}

}  // namespace

namespace {
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

std::optional<DesktopEntry> findDesktopEntry(const std::string& instance, const std::string& windowClass,
                                             const std::string& executable) {
  const auto folders = applicationFolders();
  std::vector<std::string> names;
  for (const auto& n : {windowClass, instance, executable}) {
    if (n.empty() || n.find('/') != std::string::npos) continue;
    names.push_back(n);
    names.push_back(lower(n));
  }
  for (const auto& folder : folders) {
    for (const auto& n : names) {
      const fs::path file = folder / (n + ".desktop");
      if (auto f = readEntry(file)) return DesktopEntry{n, f->name};
    }
  }
  if (windowClass.empty()) return std::nullopt;
  const std::string wanted = lower(windowClass);
  std::size_t scanned = 0;
  for (const auto& folder : folders) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      if (++scanned > kMaxEntriesScanned) return std::nullopt;
      if (it->path().extension() != ".desktop") continue;
      const auto f = readEntry(it->path());
      if (f && !f->wmClass.empty() && lower(f->wmClass) == wanted) {
        return DesktopEntry{it->path().stem().string(), f->name};
      }
    }
  }
  return std::nullopt;
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
  if (auto entry = findDesktopEntry(instance, cls, ec ? std::string() : exe.filename().string())) {
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
