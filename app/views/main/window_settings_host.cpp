#include "app/views/main/window_settings_host.h"

#include <QDesktopServices>
#include <QUrl>
#include <cstdlib>

#include "app/feedback/feedback.h"
#include "app/system/login_item.h"
#include "app/views/feedback/feedback_dialogs.h"
#include "app/views/settings/app_chooser.h"
#include "core/base/log.h"
#include "core/base/paths.h"

namespace orvak::views::main {

void WindowSettingsHost::showOnboarding() {
  if (showOnboarding_) showOnboarding_();
}

void WindowSettingsHost::showFeedback(std::optional<std::string> email) {
  Feedback::showForm(email, std::make_shared<feedback::QtFeedbackDialogs>());
}

bool WindowSettingsHost::loginItemCanRegister() const {
  const auto place = LoginItem::current();
  return LoginItem::isInstalled(place.executable, place.home);
}

void WindowSettingsHost::chooseApplications(std::function<void(std::vector<std::filesystem::path>)> done) {
  if (chooser_) {
    // One chooser at a time: a second request brings the open one forward.
    chooser_->raise();
    chooser_->activateWindow();
    return;
  }
  chooser_ = settings::chooseApplicationFiles(window_, std::move(done));
}

void WindowSettingsHost::openLogsFolder() {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(OrvakPaths::logs().string())));
}

}  // namespace orvak::views::main
