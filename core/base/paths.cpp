#include "core/base/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace orvak::OrvakPaths {

namespace fs = std::filesystem;

namespace {

fs::path xdgBase(const char* variable, const fs::path& fallbackUnderHome) {
  const char* value = std::getenv(variable);
  // The XDG rules say a relative value is invalid and must be ignored.
  if (value != nullptr && value[0] == '/') return fs::path(value);
  return home() / fallbackUnderHome;
}

// The XDG folders may live on different file systems, where a rename cannot move a file. The
// copy goes to a temporary name first, so a copy cut short never stands in for the real file; the
// old file goes only once the new one is complete.
void moveAcrossFileSystems(const fs::path& from, const fs::path& to) {
  fs::path partial = to;
  partial += ".moving";
  std::error_code ec;
  if (fs::copy_file(from, partial, fs::copy_options::overwrite_existing, ec) && !ec) {
    fs::rename(partial, to, ec);
    if (!ec) {
      fs::remove(from, ec);
      return;
    }
  }
  fs::remove(partial, ec);
}

}  // namespace

const fs::path& home() {
  // Never destroyed: log writes may still be running on their queue while the process exits.
  static const fs::path& value = *new fs::path([] {
    if (const char* h = std::getenv("HOME"); h != nullptr && h[0] != '\0') return fs::path(h);
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) return fs::path(pw->pw_dir);
    return fs::path("/");
  }());
  return value;
}

const fs::path& support() {
  static const fs::path& value = *new fs::path(xdgBase("XDG_DATA_HOME", ".local/share") / "Orvak");
  return value;
}

const fs::path& logs() {
  static const fs::path& value = *new fs::path(xdgBase("XDG_STATE_HOME", ".local/state") / "Orvak");
  return value;
}

const fs::path& captures() {
  static const fs::path& value = *new fs::path(logs() / "captures");
  return value;
}

fs::path locateResearch(const fs::path& supportDir, const fs::path& logsDir) {
  const fs::path now = supportDir / "research.jsonl";
  const fs::path old = logsDir / "research.jsonl";
  std::error_code ec;
  if (fs::exists(old, ec) && !fs::exists(now, ec)) {
    fs::create_directories(supportDir, ec);
    fs::rename(old, now, ec);  // a failure leaves the old file where it was, unharmed
    if (ec == std::errc::cross_device_link) moveAcrossFileSystems(old, now);
  }
  return now;
}

const fs::path& research() {
  static const fs::path& value = *new fs::path(locateResearch(support(), logs()));
  return value;
}

}  // namespace orvak::OrvakPaths
