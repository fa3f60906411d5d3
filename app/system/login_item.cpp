#include "app/system/login_item.h"

#include <cstdlib>
#include <system_error>

#include "app/system/desktop_entry.h"
#include "core/base/atomic_file.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/base/read_file.h"

namespace orvak {

namespace fs = std::filesystem;

namespace {

bool isUnder(const fs::path& path, const fs::path& folder) {
  auto p = path.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
    if (f->empty()) continue;  // a trailing separator
    if (p == path.end() || *p != *f) return false;
  }
  return p != path.end();
}

}  // namespace

LoginItem::Place LoginItem::current() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const fs::path config = (xdg != nullptr && fs::path(xdg).is_absolute()) ? fs::path(xdg) : OrvakPaths::home() / ".config";
  return {ec ? fs::path() : exe, config / "autostart", OrvakPaths::home()};
}

bool LoginItem::isInstalled(const fs::path& executable, const fs::path& home) {
  const fs::path exe = executable.lexically_normal();
  if (!exe.is_absolute()) return false;
  return isUnder(exe, "/usr") || isUnder(exe, "/opt") || (!home.empty() && isUnder(exe, home.lexically_normal() / ".local"));
}

std::string LoginItem::entry(const fs::path& executable) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Orvak\n"
         "Comment=Reads windows aloud\n"
         "Exec=" + desktopEntry::execArgument(executable.string()) + "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

LoginItem::Status LoginItem::status(const Place& place) {
  const auto text = readWholeFile(place.autostartDir / kFileName);
  return text && *text == entry(place.executable) ? Status::enabled : Status::notRegistered;
}

void LoginItem::apply(bool on, const Place& place) {
  const std::string word = on ? "on" : "off";
  if (place.executable.empty() || !isInstalled(place.executable, place.home)) {
    Log::write("login item: " + word + " (not registered: not running from an installed location)");
    return;
  }
  const fs::path file = place.autostartDir / kFileName;
  const bool enabled = status(place) == Status::enabled;
  try {
    if (on && !enabled) {
      writeFileAtomically(file, entry(place.executable));
    } else if (!on) {
      // An entry of ours that starts another copy (an older install) goes too: off means off.
      fs::remove(file);
    }
  } catch (const fs::filesystem_error& e) {
    Log::write("login item: " + std::string(e.what()));
    return;
  }
  Log::write("login item: " + word + " → " + std::to_string(static_cast<int>(status(place))));
}

}  // namespace orvak
