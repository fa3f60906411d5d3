#include "app/views/settings/app_chooser.h"

#include <memory>

#include "core/base/dispatch.h"

namespace orvak::views::settings {

void configureAppChooser(QFileDialog& dialog) {
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDirectory(QStringLiteral("/usr/share/applications"));
  dialog.setNameFilter(QStringLiteral("Applications (*.desktop)"));
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Never Read"));
  // A file dialog has no line for a message: the title carries it.
  dialog.setWindowTitle(QStringLiteral("Orvak won't read these apps, even when you press the key."));
}

QFileDialog* chooseApplicationFiles(QWidget* parent, std::function<void(std::vector<std::filesystem::path>)> done) {
  auto* dialog = new QFileDialog(parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  configureAppChooser(*dialog);
  auto answered = std::make_shared<bool>(false);
  QObject::connect(dialog, &QFileDialog::filesSelected, dialog, [done, answered](const QStringList& files) {
    if (*answered) return;
    *answered = true;
    std::vector<std::filesystem::path> chosen;
    for (const auto& f : files) chosen.emplace_back(f.toStdString());
    dispatch::main().async([done, chosen] { done(chosen); });
  });
  QObject::connect(dialog, &QDialog::finished, dialog, [done, answered](int) {
    if (*answered) return;
    *answered = true;
    dispatch::main().async([done] { done({}); });
  });
  // open() makes it modal to the parent's window: that window takes no second click meanwhile.
  dialog->open();
  return dialog;
}

}  // namespace orvak::views::settings
