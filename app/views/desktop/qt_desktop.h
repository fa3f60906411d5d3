// The desktop services of the library window over Qt and the session bus: the clipboard, the
// save dialog, showing a file in the file manager, opening addresses, and the window's undo
// stack. Main thread only, with a QApplication alive.
#pragma once

#include <memory>

#include "app/library/undo.h"
#include "platform/clipboard.h"
#include "platform/file_reveal.h"
#include "platform/save_chooser.h"
#include "platform/workspace.h"

class QUndoStack;
class QWidget;

namespace orvak::views::desktop {

class QtClipboard final : public platform::Clipboard {
 public:
  void setText(const std::string& text) override;
  std::string text() override;
};

// A non-modal file dialog over `parent` (none: a window of its own), deleted when it closes.
class QtSaveChooser final : public platform::SaveChooser {
 public:
  explicit QtSaveChooser(QWidget* parent = nullptr) : parent_(parent) {}
  void chooseSaveFile(const platform::SaveRequest& request, Done done) override;

 private:
  QWidget* parent_;
};

// The file manager's ShowItems over the session bus, else the file's folder opened.
class QtFileReveal final : public platform::FileReveal {
 public:
  void reveal(const std::filesystem::path& file) override;
};

// Another workspace with addresses opened through the desktop's URL handlers.
class DesktopWorkspace final : public platform::Workspace {
 public:
  explicit DesktopWorkspace(std::shared_ptr<platform::Workspace> base) : base_(std::move(base)) {}
  std::optional<platform::RunningApplication> frontmostApplication() override { return base_->frontmostApplication(); }
  pid_t ownPid() override { return base_->ownPid(); }
  std::vector<platform::WindowInfo> onScreenWindows() override { return base_->onScreenWindows(); }
  std::optional<std::uint64_t> addActivationObserver(ActivationHandler handler) override {
    return base_->addActivationObserver(std::move(handler));
  }
  void removeActivationObserver(std::uint64_t token) override { base_->removeActivationObserver(token); }
  std::vector<platform::RunningApplication> runningApplications() override { return base_->runningApplications(); }
  bool isRunning(pid_t pid, std::uint64_t launchedAt) override { return base_->isRunning(pid, launchedAt); }
  bool activate(pid_t pid) override { return base_->activate(pid); }
  bool openUrl(const std::string& address) override;

 private:
  std::shared_ptr<platform::Workspace> base_;
};

// The window's undo stack (Ctrl+Z) as the library's undo manager. An action undone leaves the
// stack: there is no redo.
class UndoStackManager final : public UndoManager {
 public:
  explicit UndoStackManager(QUndoStack* stack) : stack_(stack) {}
  UndoActionId registerUndo(std::string name, std::function<void()> action) override;
  bool canUndo() const override;
  std::optional<UndoActionId> nextUndo() const override;
  void undo() override;

 private:
  QUndoStack* stack_;
  UndoActionId lastId_ = 0;
};

}  // namespace orvak::views::desktop
