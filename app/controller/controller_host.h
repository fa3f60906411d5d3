// The controller as the window manager sees it. Held by the windows it makes, which the
// controller owns, so the controller outlives it; reading still checks, since a read may be
// asked for from a closure queued before the controller went.
#pragma once

#include <memory>

#include "app/controller/app_controller.h"
#include "app/controller/app_services.h"
#include "app/menu/status_menu.h"
#include "app/windows/windows_host.h"

namespace orvak {

class ControllerHost final : public WindowsHost {
 public:
  explicit ControllerHost(AppController& app) : app_(app), weak_(app.weak_from_this()) {}
  Prefs& prefs() override { return app_.prefs(); }
  Permissions& perms() override { return app_.perms(); }
  HotkeyTester& tester() override { return app_.tester(); }
  std::shared_ptr<NotesStore> notesStore() override { return app_.notes(); }
  std::shared_ptr<platform::NotificationCenter> notifications() override { return app_.notifications(); }
  std::shared_ptr<platform::Workspace> workspace() override { return app_.workspace(); }
  std::shared_ptr<LibraryService> libraryService() override;
  std::optional<ReadTiming> lastRead() const override { return app_.read().lastRead(); }
  std::optional<std::string> signedInEmail() const override;
  void refreshMenu() override;
  void readText(const std::string& text) override;
  void testRead(const std::string& text) override;
  std::shared_ptr<Account> account() override;

 private:
  AppController& app_;
  std::weak_ptr<AppController> weak_;
};

// The controller as the status menu sees it. Opening files, the feedback form and quitting are
// the shell's: it hands them in.
class ControllerMenuHost final : public MenuHost {
 public:
  ControllerMenuHost(AppController& app, MenuHooks hooks) : app_(app), hooks_(std::move(hooks)) {}
  menu::Snapshot snapshot() override;
  Prefs& prefs() override { return app_.prefs(); }
  Windows& windows() override { return *app_.windows(); }
  void trigger(const std::string& source, double eventLagMs, const ReadOptions& opts) override {
    app_.trigger(source, eventLagMs, opts);
  }
  void control(const std::string& what) override;
  void post(const std::string& name) override;
  void open(const std::filesystem::path& path) override {
    if (hooks_.open) hooks_.open(path);
  }
  void feedback() override;
  // The signed-in account's e-mail, which the feedback form starts with.
  std::optional<std::string> signedInEmail() const;
  void quit() override {
    if (hooks_.quit) hooks_.quit();
  }

 private:
  AppController& app_;
  MenuHooks hooks_;
};

}  // namespace orvak
