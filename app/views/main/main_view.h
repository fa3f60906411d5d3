// The main window's content: the sidebar on the left and, on the right, the library for a
// library page (or the notice that the notes database could not be opened) or the settings for
// every other page. It keeps the sidebar current (page, settings, permissions, the library's
// count) and runs the reactions that stop the hotkey test when General is left or the window
// goes. Main thread only.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/library/library_model.h"
#include "app/library/notes_model.h"
#include "app/settings/settings_host.h"
#include "app/views/settings/settings_pane.h"
#include "app/views/main/sidebar_view.h"
#include "app/windows/sidebar.h"
#include "app/windows/windows_host.h"

class QStackedLayout;
class QUndoStack;

namespace orvak::views::main {

class MainView : public QWidget {
 public:
  static constexpr int kMinWidth = 900, kMinHeight = 560;

  struct Parts {
    MainModel* model = nullptr;
    WindowsHost* host = nullptr;
    std::shared_ptr<NotesModel> notes;      // none without the notes database
    std::shared_ptr<LibraryModel> library;  // likewise
    std::function<void()> setup;            // the banner's action: the onboarding window
    // The settings pages' contents that other parts of the application build (the voice, the
    // account, pronunciations, keys); each made when its page is shown. The key chooser of
    // General is built here unless given.
    settings::SettingsPane::Pages settingsPages;
  };

  explicit MainView(Parts parts, QWidget* parent = nullptr);
  ~MainView() override;

  SidebarView* sidebar() const { return sidebar_; }
  // The window's own history of deeds to take back (a deleted highlight or note), which Edit >
  // Undo reaches when the focused control has nothing of its own to undo.
  const std::shared_ptr<UndoManager>& undoManager() const { return undoManager_; }
  // What the detail area shows now.
  QWidget* detail() const;
  // Lays the sidebar out again from the state now (it also follows changes by itself).
  void relayout();

 protected:
  void hideEvent(QHideEvent*) override;
  void showEvent(QShowEvent*) override;
  void paintEvent(QPaintEvent*) override;

 private:
  void showPage(bool animate);
  QWidget* makeSettings(MainModel::Page page);

  Parts parts_;
  std::unique_ptr<sidebar::Reactions> reactions_;
  std::unique_ptr<SettingsHost> settingsHost_;
  SidebarView* sidebar_;
  QStackedLayout* stack_;
  QWidget* library_ = nullptr;  // the library view, or the notice without a database
  QPointer<QWidget> settings_;
  std::unique_ptr<QUndoStack> undo_;
  std::shared_ptr<UndoManager> undoManager_;
  std::uint64_t modelObserver_ = 0, prefsObserver_ = 0, notesObserver_ = 0, permsObserver_ = 0;
};

}  // namespace orvak::views::main
