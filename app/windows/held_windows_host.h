// A windows host whose parts are plain members, for the pictures and tests that make those parts
// themselves; it asks no service and does nothing on a menu refresh or a read unless overridden.
#pragma once

#include <memory>
#include <string>

#include "app/windows/windows_host.h"

namespace orvak {

struct HeldWindowsHost : WindowsHost {
  std::shared_ptr<Prefs> prefsPtr;
  std::shared_ptr<Permissions> permsPtr;
  std::shared_ptr<HotkeyTester> testerPtr;
  std::shared_ptr<NotesStore> store;
  std::shared_ptr<platform::Workspace> workspacePtr;
  std::shared_ptr<platform::NotificationCenter> center = std::make_shared<platform::NotificationCenter>();

  Prefs& prefs() override { return *prefsPtr; }
  Permissions& perms() override { return *permsPtr; }
  HotkeyTester& tester() override { return *testerPtr; }
  std::shared_ptr<NotesStore> notesStore() override { return store; }
  std::shared_ptr<platform::NotificationCenter> notifications() override { return center; }
  std::shared_ptr<platform::Workspace> workspace() override { return workspacePtr; }
  std::shared_ptr<LibraryService> libraryService() override { return nullptr; }
  void refreshMenu() override {}
  void readText(const std::string&) override {}
};

}  // namespace orvak
