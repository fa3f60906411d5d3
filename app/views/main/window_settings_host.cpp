#include "app/views/main/window_settings_host.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>
#include <cstdlib>

#include "app/feedback/feedback.h"
#include "app/system/login_item.h"
#include "app/views/feedback/feedback_dialogs.h"
#include "core/base/log.h"
#include "core/base/paths.h"

namespace orvak::views {

void WindowSettingsHost::showOnboarding() {
  if (showOnboarding_) showOnboarding_();
}

void WindowSettingsHost::showFeedback(std::optional<std::string> email) {
  Feedback::showForm(email, std::make_shared<QtFeedbackDialogs>());
}

bool WindowSettingsHost::loginItemCanRegister() const {
  const auto place = LoginItem::current();
  return LoginItem::isInstalled(place.executable, place.home);
}

void WindowSettingsHost::chooseApplications(std::function<void(std::vector<std::filesystem::path>)> done) {
  auto* dialog = new QFileDialog(nullptr, "Choose applications", "/usr/share/applications", "Applications (*.desktop)");
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setFileMode(QFileDialog::ExistingFiles);
  QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done](int result) {
    std::vector<std::filesystem::path> files;
    if (result == QDialog::Accepted) {
      for (const QString& f : dialog->selectedFiles()) files.emplace_back(f.toStdString());
    }
    if (done) done(files);
  });
  dialog->open();
}

void WindowSettingsHost::openLogsFolder() {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(OrvakPaths::logs().string())));
}

}  // namespace orvak::views
