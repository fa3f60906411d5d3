// What the first-run window needs of the rest of the application: the grants, the hotkey test,
// the capturer's switch for reading our own window, the read in progress, the settings, the
// notification centre and the hand-back when the user is done. The application gives it the
// controller's parts; tests give it fakes. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/hotkey/hotkey_test.h"
#include "app/player/player.h"
#include "app/prefs.h"
#include "platform/desktop_settings.h"
#include "platform/microphone.h"
#include "platform/notify.h"
#include "speech/vendor.h"

namespace orvak {

class OnboardingHost {
 public:
  using Mic = platform::MicAccess;
  using SettingsPane = platform::SettingsPane;

  virtual ~OnboardingHost() = default;

  virtual Prefs& prefs() = 0;
  virtual HotkeyTest& tester() = 0;
  virtual platform::NotificationCenter& notifications() = 0;

  // The grants as last published, and word of each change.
  virtual bool accessibility() const = 0;
  virtual Mic mic() const = 0;
  virtual std::uint64_t observePermissions(std::function<void()> observer) = 0;
  virtual void unobservePermissions(std::uint64_t token) = 0;
  // The one-second poll of the grants (runs until both are there).
  virtual void startPolling() = 0;
  // Switches the desktop's accessibility support on, where it can be switched from here.
  virtual void requestAccessibility() = 0;
  // The microphone's state read afresh, not the published one.
  virtual Mic readMic() = 0;
  // Asks for the microphone; the grants are read again when the answer is in.
  virtual void requestMic() = 0;
  // Opens the desktop's settings at a pane; false when no settings program we know is installed.
  virtual bool openSettings(SettingsPane pane) = 0;
  // Whether the trigger key can be watched in this session (X11).
  virtual bool canWatchKey() const = 0;
  // Whether the desktop has a system tray for Orvak's icon, asked now.
  virtual bool hasTray() const = 0;

  // The capturer may read this application's own window while true.
  virtual void setAllowSelf(bool allow) = 0;
  // Whether a read is in progress, and stopping it.
  virtual bool hasPlayer() const = 0;
  virtual void stopPlayer(const std::string& reason) = 0;
  // Whether a read of the front window can capture our own window (it cannot on a simulated
  // desktop, nor without the accessibility bus).
  virtual bool canCaptureSelf() const = 0;
  // Starts a read through the controller: of `text` when given, else of the front window.
  virtual void trigger(const std::string& source, ReadOptions opts, std::optional<std::string> text,
                       std::optional<Vendor> vendor) = 0;

  // The last step's button: the window manager marks onboarding done and closes the window.
  virtual void finish() = 0;
};

}  // namespace orvak
