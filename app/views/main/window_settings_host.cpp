#include "app/views/main/window_settings_host.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>
#include <cstdlib>

#include "app/system/login_item.h"
#include "core/base/log.h"
#include "core/base/paths.h"

namespace orvak::views {

WindowSettingsHost::WindowSettingsHost(WindowsHost& host, std::function<void()> showOnboarding)
    : host_(host), showOnboarding_(std::move(showOnboarding)) {
  poll_.setInterval(1000);
  QObject::connect(&poll_, &QTimer::timeout, [this] { look(); });
}

std::uint64_t WindowSettingsHost::observePermissions(std::function<void()> changed) {
  const std::uint64_t token = next_++;
  observers_.emplace(token, std::move(changed));
  if (!poll_.isActive()) {
    ax_ = accessibility();
    mic_ = mic();
    poll_.start();
  }
  return token;
}

void WindowSettingsHost::unobservePermissions(std::uint64_t token) {
  observers_.erase(token);
  if (observers_.empty()) poll_.stop();
}

void WindowSettingsHost::look() {
  if (accessibility() == ax_ && mic() == mic_) return;
  ax_ = accessibility();
  mic_ = mic();
  std::vector<std::function<void()>> now;
  for (const auto& [token, f] : observers_) now.push_back(f);
  for (const auto& f : now) f();
}

void WindowSettingsHost::showOnboarding() {
  if (showOnboarding_) showOnboarding_();
}

void WindowSettingsHost::showFeedback(std::optional<std::string>) {
  Log::write("feedback: the form is not available in this build");
}

bool WindowSettingsHost::loginItemCanRegister() const {
  const auto place = LoginItem::current();
  return LoginItem::isInstalled(place.executable, place.home);
}

void WindowSettingsHost::chooseApplications(std::function<void(std::vector<std::filesystem::path>)> done) {
  auto* dialog = new QFileDialog(nullptr, "Choose applications", "/usr/share/applications",
                                 "Applications (*.desktop)");
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
