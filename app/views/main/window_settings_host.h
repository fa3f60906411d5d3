// The settings pages' view of the application, over the window manager's host: the permissions
// (looked at once a second while someone listens, since the controller holds their one change
// callback), onboarding, the last read, the login item's rule, choosing applications from the
// desktop's entries and the logs folder. Main thread only.
#pragma once

#include <QTimer>
#include <functional>
#include <map>

#include "app/settings/settings_host.h"
#include "app/windows/windows_host.h"

namespace orvak::views {

class WindowSettingsHost final : public SettingsHost {
 public:
  WindowSettingsHost(WindowsHost& host, std::function<void()> showOnboarding);

  bool accessibility() const override { return host_.perms().accessibility(); }
  platform::MicAccess mic() const override { return host_.perms().mic(); }
  std::uint64_t observePermissions(std::function<void()> changed) override;
  void unobservePermissions(std::uint64_t token) override;
  void showOnboarding() override;
  void showFeedback(std::optional<std::string> email) override;
  std::optional<std::string> signedInEmail() const override { return std::nullopt; }
  std::optional<ReadTiming> lastRead() const override { return host_.lastRead(); }
  bool loginItemCanRegister() const override;
  void chooseApplications(std::function<void(std::vector<std::filesystem::path>)> done) override;
  void openLogsFolder() override;

 private:
  void look();

  WindowsHost& host_;
  std::function<void()> showOnboarding_;
  std::map<std::uint64_t, std::function<void()>> observers_;
  std::uint64_t next_ = 1;
  QTimer poll_;
  bool ax_ = false;
  platform::MicAccess mic_ = platform::MicAccess::notAsked;
};

}  // namespace orvak::views
