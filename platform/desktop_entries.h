// Desktop entries: the .desktop files in the XDG applications folders ($XDG_DATA_HOME and
// $XDG_DATA_DIRS) by which launchers, the window backends and the settings name programs.
#pragma once

#include <optional>
#include <string>

namespace orvak::platform {

struct DesktopEntry {
  std::string id;    // the file name without ".desktop"
  std::string name;  // its Name
  bool operator==(const DesktopEntry&) const = default;
};

// The desktop entry of a program, looked for in the applications folders of $XDG_DATA_HOME and
// $XDG_DATA_DIRS: a file named after the window's class, its instance or the executable (any
// case), else an entry whose StartupWMClass is the window's class.
std::optional<DesktopEntry> findDesktopEntry(const std::string& instance, const std::string& windowClass,
                                             const std::string& executable);

}  // namespace orvak::platform
