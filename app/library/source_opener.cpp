#include "app/library/source_opener.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

#include "core/page/quote_link.h"
#include "core/base/paths.h"
#include "core/text/text.h"
#include "core/text/url.h"

namespace orvak {

namespace fs = std::filesystem;

namespace {

// Bounds on what the desktop's folders can make us read.
constexpr std::size_t kMaxEntriesPerFolder = 5000;
constexpr std::uintmax_t kMaxEntryBytes = 256 * 1024;

std::optional<int> hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

// The path of a local file address, percent-decoded; nothing for another host, a relative path
// or an encoded NUL.
std::optional<fs::path> localPath(const url::Url& u) {
  if (!u.host.empty() && text::lowercase(u.host) != "localhost") return std::nullopt;
  if (u.path.empty() || u.path.front() != '/') return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < u.path.size(); ++i) {
    if (u.path[i] == '%' && i + 2 < u.path.size()) {
      const auto hi = hexValue(u.path[i + 1]);
      const auto lo = hexValue(u.path[i + 2]);
      if (!hi || !lo) return std::nullopt;
      const char c = static_cast<char>(*hi * 16 + *lo);
      if (c == '\0') return std::nullopt;
      out += c;
      i += 2;
    } else if (u.path[i] == '%') {
      return std::nullopt;
    } else {
      out += u.path[i];
    }
  }
  return fs::path(out);
}

bool isOpenableFile(const fs::path& p) {
  std::error_code ec;
  const auto status = fs::status(p, ec);
  if (ec || !fs::is_regular_file(status)) return false;
  const auto exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  if ((status.permissions() & exec) != fs::perms::none) return false;
  return text::lowercase(p.extension().string()) != ".desktop";
}

// The keys of a desktop entry's "[Desktop Entry]" group that choose it, unlocalised.
struct DesktopEntry {
  std::string name;
  std::string type;
  bool hidden = false;
};

std::optional<DesktopEntry> readDesktopEntry(const fs::path& file) {
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  if (ec || size > kMaxEntryBytes) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  DesktopEntry entry;
  bool inMain = false;
  bool sawMain = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      if (sawMain && inMain) break;  // the main group has ended
      inMain = line == "[Desktop Entry]";
      sawMain = sawMain || inMain;
      continue;
    }
    if (!inMain) continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key(text::trim(std::string_view(line).substr(0, eq)));
    const std::string value(text::trim(std::string_view(line).substr(eq + 1)));
    if (key == "Name") entry.name = value;
    if (key == "Type") entry.type = value;
    if (key == "Hidden") entry.hidden = value == "true";
  }
  if (!sawMain) return std::nullopt;
  return entry;
}

}  // namespace

SourceOpener::SourceOpener(std::shared_ptr<platform::Workspace> workspace, Run run, std::vector<fs::path> applicationFolders)
    : workspace_(std::move(workspace)), run_(std::move(run)), folders_(std::move(applicationFolders)) {}

std::vector<fs::path> SourceOpener::defaultApplicationFolders() {
  std::vector<fs::path> out;
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  out.push_back((dataHome && *dataHome ? fs::path(dataHome) : OrvakPaths::home() / ".local/share") / "applications");
  const char* dataDirs = std::getenv("XDG_DATA_DIRS");
  std::stringstream dirs(dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (!dir.empty() && dir.front() == '/') out.push_back(fs::path(dir) / "applications");
  }
  return out;
}

bool SourceOpener::isSafeAddress(const std::string& address) {
  const auto parsed = url::parse(address);
  if (!parsed) return false;
  const std::string scheme = text::lowercase(parsed->scheme);
  if (scheme == "http" || scheme == "https") return !parsed->host.empty();
  if (scheme != "file") return false;
  const auto path = localPath(*parsed);
  return path && isOpenableFile(*path);
}

std::optional<fs::path> SourceOpener::desktopEntryNamed(const std::string& app) const {
  for (const auto& folder : folders_) {
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      if (it.depth() > 1) {
        it.disable_recursion_pending();
        continue;
      }
      if (it->path().extension() == ".desktop" && it->is_regular_file(ec)) files.push_back(it->path());
      if (files.size() >= kMaxEntriesPerFolder) break;
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      const auto entry = readDesktopEntry(file);
      if (entry && !entry->hidden && entry->type == "Application" && entry->name == app) return file;
    }
  }
  return std::nullopt;
}

std::optional<OpenedSource> SourceOpener::open(const std::optional<std::string>& url, const std::string& app,
                                               const std::optional<std::string>& quote) {
  if (url) {
    const std::string address = quote ? QuoteLink::url(*url, *quote) : *url;
    if (isSafeAddress(address) && workspace_ && workspace_->openUrl(address)) {
      return OpenedSource{OpenedSource::Kind::address, address};
    }
  }
  if (app.empty()) return std::nullopt;
  if (workspace_) {
    for (const auto& running : workspace_->runningApplications()) {
      if (running.name == app && workspace_->activate(running.pid)) return OpenedSource{OpenedSource::Kind::runningApp, app};
    }
  }
  if (const auto entry = desktopEntryNamed(app); entry && run_) {
    const auto result = run_({"gio", "launch", entry->string()});
    if (result && result->status == 0) return OpenedSource{OpenedSource::Kind::desktopEntry, entry->string()};
  }
  return std::nullopt;
}

}  // namespace orvak
