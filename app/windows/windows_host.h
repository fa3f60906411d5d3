// What the window manager and the windows it makes use of the application controller. The
// controller's adapter (app/controller/controller_host.h) answers for the running application;
// tests answer with doubles.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/hotkey/hotkey_tester.h"
#include "app/prefs.h"
#include "app/system/permissions.h"
#include "core/library/notes_store.h"
#include "core/speech/read_timing.h"
#include "platform/notify.h"
#include "platform/workspace.h"

namespace orvak {

class Account;
class LibraryService;

class WindowsHost {
 public:
  virtual ~WindowsHost() = default;
  virtual Prefs& prefs() = 0;
  virtual Permissions& perms() = 0;
  virtual HotkeyTester& tester() = 0;
  // The notes database; none when it could not be opened.
  virtual std::shared_ptr<NotesStore> notesStore() = 0;
  // Where "orvak.notesChanged" and "orvak.focusAsk" are posted.
  virtual std::shared_ptr<platform::NotificationCenter> notifications() = 0;
  // The desktop's applications (the library opens where an item came from).
  virtual std::shared_ptr<platform::Workspace> workspace() = 0;
  // The service the library's questions go to; none: questions fail with a message.
  virtual std::shared_ptr<LibraryService> libraryService() = 0;
  // Brings the status menu up to date, when there is one.
  virtual void refreshMenu() = 0;
  // The last read that finished, for the settings' timing line; none before the first.
  virtual std::optional<ReadTiming> lastRead() const { return std::nullopt; }
  // The signed-in account's e-mail; none without account information.
  virtual std::optional<std::string> signedInEmail() const { return std::nullopt; }
  // The library's "Listen": reads `text` aloud as a read of its own, stopping one under way.
  virtual void readText(const std::string& text) = 0;
  // A test read from the settings ("Hear It", "Play a Sample"): `text` read with the source
  // "test", stopping a read under way.
  virtual void testRead(const std::string& text) { readText(text); }
  // The application's account client; none where there is no service client.
  virtual std::shared_ptr<Account> account() { return nullptr; }
};

}  // namespace orvak
