#include "app/views/desktop/qt_desktop.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QUndoStack>
#include <QUrl>

#include "core/base/dispatch.h"

namespace orvak::views::desktop {

void QtClipboard::setText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

std::string QtClipboard::text() { return QGuiApplication::clipboard()->text().toStdString(); }

void QtSaveChooser::chooseSaveFile(const platform::SaveRequest& request, Done done) {
  auto* dialog = new QFileDialog(parent_);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilter(QString::fromStdString(request.filter));
  dialog->setDefaultSuffix(QStringLiteral("md"));
  dialog->selectFile(QString::fromStdString(request.suggestedName));
  // Exactly one answer: the first of accepted or finished.
  auto answered = std::make_shared<bool>(false);
  QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [done, answered](const QString& file) {
    if (*answered) return;
    *answered = true;
    dispatch::main().async([done, path = std::filesystem::path(file.toStdString())] { done(path); });
  });
  QObject::connect(dialog, &QDialog::finished, dialog, [done, answered](int) {
    if (*answered) return;
    *answered = true;
    dispatch::main().async([done] { done(std::nullopt); });
  });
  dialog->open();
}

void QtFileReveal::reveal(const std::filesystem::path& file) {
  const QUrl url = QUrl::fromLocalFile(QString::fromStdString(file.string()));
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{url.toString()} << QString();
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
  if (reply.type() == QDBusMessage::ReplyMessage) return;
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string())));
}

bool DesktopWorkspace::openUrl(const std::string& address) {
  const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
  return url.isValid() && QDesktopServices::openUrl(url);
}

namespace {

class ActionCommand final : public QUndoCommand {
 public:
  ActionCommand(UndoActionId id, const std::string& name, std::function<void()> action)
      : QUndoCommand(QString::fromStdString(name)), id_(id), action_(std::move(action)) {}
  UndoActionId actionId() const { return id_; }
  // Pushing runs redo once; the deed itself is already done.
  void redo() override {}
  void undo() override {
    setObsolete(true);
    if (action_) action_();
  }

 private:
  UndoActionId id_;
  std::function<void()> action_;
};

}  // namespace

UndoActionId UndoStackManager::registerUndo(std::string name, std::function<void()> action) {
  stack_->push(new ActionCommand(++lastId_, name, std::move(action)));
  return lastId_;
}

bool UndoStackManager::canUndo() const { return stack_->canUndo(); }

std::optional<UndoActionId> UndoStackManager::nextUndo() const {
  if (stack_->index() <= 0) return std::nullopt;
  const auto* command = dynamic_cast<const ActionCommand*>(stack_->command(stack_->index() - 1));
  if (!command) return std::nullopt;
  return command->actionId();
}

void UndoStackManager::undo() { stack_->undo(); }

}  // namespace orvak::views::desktop
