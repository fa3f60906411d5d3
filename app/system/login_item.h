// Starting Orvak when the user logs in: an XDG autostart entry, $XDG_CONFIG_HOME/autostart/
// orvak.desktop, that starts this executable. Only an installed copy registers (one under /usr,
// /opt or ~/.local): a build tree or an unpacked download never starts itself at login.
//
// Nothing is returned or thrown; each call writes one line to the application log.
#pragma once

#include <filesystem>
#include <string>

namespace orvak {

class LoginItem {
 public:
  enum class Status { notRegistered = 0, enabled = 1 };

  // Where the entry goes and what it starts.
  struct Place {
    std::filesystem::path executable;
    std::filesystem::path autostartDir;
    std::filesystem::path home;  // ~/.local counts as installed
  };
  // This executable, $XDG_CONFIG_HOME/autostart (default ~/.config/autostart) and the home folder.
  static Place current();

  // Registers (`on`) or unregisters the application at `place` and logs the outcome. Registering
  // writes the entry unless it is already enabled; unregistering removes any entry of that name.
  static void apply(bool on, const Place& place = current());
  // Enabled when the entry exists and starts `place.executable`.
  static Status status(const Place& place);
  // Whether `executable` lies under /usr, /opt or `home`/.local.
  static bool isInstalled(const std::filesystem::path& executable, const std::filesystem::path& home);
  // The autostart entry that starts `executable`.
  static std::string entry(const std::filesystem::path& executable);

  static constexpr const char* kFileName = "orvak.desktop";
};

}  // namespace orvak
