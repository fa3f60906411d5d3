// The desktop's own settings, as far as Orvak sends the user there: opening the settings program
// at the page that turns on accessibility support or picks the microphone, and whether this kind
// of session lets a program watch the keyboard as a whole.
#pragma once

#include <string>
#include <vector>

namespace orvak::platform {

enum class SettingsPane { accessibility, sound };

// The commands that open `pane` in the settings programs we know (GNOME's, then KDE's), in the
// order they are tried.
std::vector<std::vector<std::string>> settingsCommands(SettingsPane pane);

// Starts the first of those commands whose program is installed, in its own session and without
// waiting for it; false when none is installed or it could not be started.
bool openDesktopSettings(SettingsPane pane);

// Whether the trigger key can be watched in this session: X11 lets a program see every key press,
// a Wayland session does not. Read from the session's environment.
bool keysWatchable();

}  // namespace orvak::platform
