// The settings pages' view of the application, over the window manager's host: the permissions,
// onboarding, the last read, the login item's rule, choosing applications from the desktop's
// entries and the logs folder. Main thread only.
#pragma once

#include <QPointer>
#include <functional>

#include "app/settings/settings_host.h"
#include "app/windows/windows_host.h"

class QFileDialog;
class QWidget;

namespace orvak::views::main {

class WindowSettingsHost final : public SettingsHost {
 public:
  // `window` is the widget whose window the dialogs opened from here are modal to.
  WindowSettingsHost(WindowsHost& host, std::function<void()> showOnboarding, QWidget* window)
      : host_(host), showOnboarding_(std::move(showOnboarding)), window_(window) {}

  bool accessibility() const override { return host_.perms().accessibility(); }
  platform::MicAccess mic() const override { return host_.perms().mic(); }
  std::uint64_t observePermissions(std::function<void()> changed) override {
    return host_.perms().addObserver(std::move(changed));
  }
  void unobservePermissions(std::uint64_t token) override { host_.perms().removeObserver(token); }
  void showOnboarding() override;
  void showFeedback(std::optional<std::string> email) override;
  std::optional<std::string> signedInEmail() const override { return host_.signedInEmail(); }
  std::optional<ReadTiming> lastRead() const override { return host_.lastRead(); }
  bool loginItemCanRegister() const override;
  void chooseApplications(std::function<void(std::vector<std::filesystem::path>)> done) override;
  void openLogsFolder() override;

 private:
  WindowsHost& host_;
  std::function<void()> showOnboarding_;
  QWidget* window_;
  QPointer<QFileDialog> chooser_;  // the applications chooser while it is open
};

}  // namespace orvak::views::main
