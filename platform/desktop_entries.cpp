#include "platform/desktop_entries.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace orvak::platform {

namespace fs = std::filesystem;

namespace {

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

}  // namespace orvak::platform
