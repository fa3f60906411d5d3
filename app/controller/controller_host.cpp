#include "app/controller/controller_host.h"

#include "app/account/account.h"
#include "app/audio/earcon.h"
#include "core/base/log.h"
#include "core/page/page_title.h"
#include "speech/engine_factory.h"
#include "speech/keys.h"

namespace orvak {

// The account client answers the library's questions when it is the service's own client.
std::shared_ptr<LibraryService> ControllerHost::libraryService() {
  return std::dynamic_pointer_cast<LibraryService>(app_.accountShared());
}

namespace {
std::optional<std::string> emailOf(const std::shared_ptr<AccountClient>& client) {
  const auto account = std::dynamic_pointer_cast<Account>(client);
  // Signed in: account information and the device token both there.
  if (!account || !account->info() || !Keys::get("account")) return std::nullopt;
  return account->info()->email;
}
}  // namespace

std::optional<std::string> ControllerHost::signedInEmail() const { return emailOf(app_.accountShared()); }

std::optional<std::string> ControllerMenuHost::signedInEmail() const { return emailOf(app_.accountShared()); }

void ControllerHost::refreshMenu() {
  if (auto app = weak_.lock(); app && app->menu()) app->menu()->refresh();
}

void ControllerHost::readText(const std::string& text) {
  if (auto app = weak_.lock()) app->readText(text);
}

void ControllerHost::testRead(const std::string& text) {
  auto app = weak_.lock();
  if (!app) return;
  ReadOptions opts;
  opts.earcon = Earcon::enabled.load();
  app->trigger("test", -1, opts, text);
}

std::shared_ptr<Account> ControllerHost::account() { return std::dynamic_pointer_cast<Account>(app_.accountShared()); }

menu::Snapshot ControllerMenuHost::snapshot() {
  menu::Snapshot s;
  Prefs& p = app_.prefs();
  s.accessibility = app_.perms().accessibility();
  s.mic = app_.perms().mic();
  s.player = app_.read().player() != nullptr;
  if (s.player) {
    s.state = app_.read().playerState();
    if (s.state) s.reading = menu::readingNow(app_.read().readingTitle(), app_.read().player()->source().app, *s.state);
  }
  s.hotkeyCode = p.hotkeyCode();
  s.vendor = p.vendor();
  s.speed = p.speed();
  s.alwaysOnListening = p.alwaysOnListening();
  s.developer = p.d->flag(Prefs::kDeveloperFlag);
  s.inworldKey = EngineFactory::hasKey(Vendor::inworld);
  s.cartesiaKey = EngineFactory::hasKey(Vendor::cartesia);
  if (NotesStore* notes = app_.notes().get()) {
    s.notesOpen = true;
    try {
      for (const StoredItem& stored : notes->recentItems(5)) {
        const ResearchItem& it = stored.item;
        s.recent.push_back({it.kind == ResearchItem::Kind::note, it.quote, it.note, stored.docKey,
                            PageTitle::clean(it.windowTitle, it.app, it.url)});
      }
    } catch (const std::exception& e) {
      Log::write(std::string("notes: recent items failed: ") + e.what());
    }
  }
  s.lastError = app_.notices().lastError();
  s.voiceStatus = app_.voice().status();
  return s;
}

void ControllerMenuHost::control(const std::string& what) {
  const auto& player = app_.read().player();
  if (!player) return;
  if (what == "toggle") {
    player->togglePause();
  } else if (what == "skip") {
    player->skip(1);
  } else if (what == "back") {
    player->skip(-1);
  } else {
    player->stop("user");
  }
}

void ControllerMenuHost::post(const std::string& name) {
  if (app_.notifications()) app_.notifications()->post(name);
}

void ControllerMenuHost::feedback() {
  if (hooks_.feedback) {
    hooks_.feedback(signedInEmail());
  } else {
    Log::write("feedback: the form is not available in this build");
  }
}

}  // namespace orvak
