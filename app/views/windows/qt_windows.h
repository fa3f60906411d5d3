// The window manager: the onboarding window and the main window (library, settings and help),
// each made on its first show and only hidden when closed, the library's view models made once
// with the main window, the main window's menu bar, and the application's presence in the task
// bar (there while the main window is open, afterwards only when the settings keep it).
//
// It also puts the `appearance` setting into effect (the current value at once, then each new
// one, and under "system" each change the desktop announces) and the `launchAtLogin` setting
// (each new value). Main thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/library/library_model.h"
#include "app/library/notes_model.h"
#include "app/main_model.h"
#include "app/views/settings/settings_pane.h"
#include "app/views/windows/desktop_look.h"
#include "app/windows/windows.h"
#include "app/windows/windows_host.h"

class QMainWindow;
class QWidget;

namespace orvak::views::main {
class MainView;
}

namespace orvak::views::windows {

class QtWindows final : public QObject, public Windows {
 public:
  // What the settings are put into effect with.
  struct Hooks {
    std::function<void(std::string_view)> applyLook;  // none: AppLook::apply
    std::function<void(bool)> applyLoginItem;         // none: LoginItem::apply
    // Where the desktop's changes of light or dark come from; none: the look under "system" is
    // what the desktop said when it was applied.
    std::function<std::unique_ptr<DesktopLook>()> desktopLook;
  };
  // The windows' content; a maker left empty gives a placeholder.
  struct Roots {
    // `finish` is what the onboarding calls when the user is done.
    std::function<QWidget*(WindowsHost& host, std::function<void()> finish)> onboarding;
    std::function<QWidget*(QtWindows& windows)> main;
    // For the main view when `main` is empty: the settings pages' contents other parts build.
    std::function<settings::SettingsPane::Pages(WindowsHost& host)> settingsPages;
  };

  static constexpr int kOnboardingWidth = 700, kOnboardingHeight = 520;
  static constexpr int kMainWidth = 1120, kMainHeight = 720;
  static constexpr int kMainMinWidth = 900, kMainMinHeight = 560;
  // The defaults key the main window's frame is kept under between launches.
  static constexpr const char* kFrameKey = "OrvakMain";

  explicit QtWindows(std::unique_ptr<WindowsHost> host, Roots roots = {}, Hooks hooks = {});
  ~QtWindows() override;

  void showOnboarding() override;
  void showMain(MainModel::Page page) override;
  void showNotes(const std::optional<std::string>& key) override;
  // The main window is the active window and shows a library page.
  bool libraryInFront() const override;
  bool hasVisibleWindows() const override;
  void reloadModels() override;
  // The notes' search shows the question and the library answers it (when the models exist).
  void askLibrary(const std::string& question) override;
  // The menu bar's "Settings…" and "Library".
  void menuSettings();
  void menuLibrary();

  WindowsHost& host() { return *host_; }
  MainModel& mainModel() { return mainModel_; }
  // Made with the main window, only when the notes database is open.
  const std::shared_ptr<NotesModel>& notesModel() const { return notes_; }
  const std::shared_ptr<LibraryModel>& libraryModel() const { return library_; }
  QWidget* onboardingWindow() const;
  QMainWindow* mainWindow() const;
  // The main window's content, unless the roots gave another.
  main::MainView* mainView() const;

  // What the onboarding calls when the user finishes: onboarding marked done, the hotkey test
  // ended, the status menu refreshed, the login item applied (also when the window manager is
  // gone, then as on), the onboarding window closed.
  static std::function<void()> finishAction(QPointer<QtWindows> windows, std::function<void(bool)> applyLoginItem);

 private:
  void buildOnboarding();
  void buildMain();
  void makeModels();
  void mainClosing();
  // Edit > Undo: the focused field's typing, else the main window's history.
  void undo();

  std::unique_ptr<WindowsHost> host_;
  Roots roots_;
  Hooks hooks_;
  MainModel mainModel_;
  std::shared_ptr<NotesModel> notes_;
  std::shared_ptr<LibraryModel> library_;
  std::unique_ptr<QWidget> onboarding_;
  std::unique_ptr<QMainWindow> main_;
  QPointer<main::MainView> mainView_;
  std::uint64_t prefsObserver_ = 0;
  std::string appearance_;
  bool launchAtLogin_ = false;
  std::unique_ptr<DesktopLook> desktopLook_;
  // The desktop's preference as last announced; until then it is asked when needed.
  std::optional<look::Appearance> desktop_;
};

}  // namespace orvak::views::windows
