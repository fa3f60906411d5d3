// What the settings pages ask of the rest of the application, as one small interface: the
// permissions, onboarding and feedback, the last read, the login item's rule, choosing
// applications and opening the logs folder. The application implements it over the controller;
// tests over fakes. Main thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/speech/read_timing.h"
#include "platform/microphone.h"

namespace orvak {

class SettingsHost {
 public:
  virtual ~SettingsHost() = default;

  virtual bool accessibility() const = 0;
  virtual platform::MicAccess mic() const = 0;
  // `changed` is called after either permission changed; the token goes to `unobservePermissions`.
  virtual std::uint64_t observePermissions(std::function<void()> changed) = 0;
  virtual void unobservePermissions(std::uint64_t token) = 0;

  virtual void showOnboarding() = 0;
  // The feedback form, with the signed-in e-mail or none.
  virtual void showFeedback(std::optional<std::string> email) = 0;
  // The signed-in account's e-mail; none without account information.
  virtual std::optional<std::string> signedInEmail() const = 0;

  // The controller's last finished read, if any.
  virtual std::optional<ReadTiming> lastRead() const = 0;
  // Whether the login item's rule would register this executable (an installed copy).
  virtual bool loginItemCanRegister() const = 0;

  // Lets the user choose application entries, several at once; `done` gets the chosen files in
  // the chooser's order (none when cancelled), on the main queue.
  virtual void chooseApplications(std::function<void(std::vector<std::filesystem::path>)> done) = 0;
  virtual void openLogsFolder() = 0;
};

}  // namespace orvak
