// The controller that owns every long-lived part of the application for the life of the process
// and wires them together at launch, in a fixed order. It coordinates and does little itself: a
// read belongs to the read session once the trigger lets it start, holding the key to ask belongs
// to the voice wiring, and what the pill says in passing to the notices.
//
// Construction opens the stores and makes the parts that need no windows; `launch()` makes the
// windows and the status menu, the hotkey, and starts the watches. Main queue only; every closure
// the controller hands out holds it weakly and does nothing once it is gone.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/capture/capturer.h"
#include "app/capture/click_tracker.h"
#include "app/controller/app_services.h"
#include "app/controller/debug_control.h"
#include "app/controller/interruptions.h"
#include "app/controller/notices.h"
#include "app/controller/read_session.h"
#include "app/controller/voice_commands.h"
#include "app/controller/voice_wiring.h"
#include "app/highlight/highlighter.h"
#include "app/hotkey/hotkey_tester.h"
#include "app/hotkey/modifier_tap.h"
#include "app/pill/pill.h"
#include "app/player/player.h"
#include "app/prefs.h"
#include "app/system/permissions.h"
#include "core/base/dispatch.h"
#include "core/library/notes_store.h"
#include "core/library/position_store.h"
#include "core/library/research_item.h"
#include "speech/engine.h"
#include "speech/engine_factory.h"
#include "speech/vendor.h"

namespace orvak {

class AppController : public std::enable_shared_from_this<AppController> {
  struct Token {};

 public:
  static constexpr double kHousekeepingDelay = 20;
  static constexpr double kSixHours = 21'600;
  static constexpr double kCrashOfferDelay = 2;
  static constexpr double kSigningInSeconds = 3;

  // Opens the notes database (else one log line, and research goes to research.jsonl), and makes
  // the capturer, the pill, the click tracker, the read session (which opens the positions) and
  // the voice wiring.
  static std::shared_ptr<AppController> make(AppServices services);
  AppController(Token, AppServices services);
  AppController(const AppController&) = delete;
  AppController& operator=(const AppController&) = delete;

  // Wires everything together; once, after the application has started.
  void launch();
  // The application was started again with nothing to open: shows the library unless one of our
  // windows is on screen.
  void reopen();
  // Links handed to the application: orvak:// links go to the account (a sign-in link); others
  // are ignored.
  void open(const std::vector<std::string>& urls);
  // This application came to the front: the account is refreshed when signed in.
  void becameActive();

  Prefs& prefs() { return *services_.prefs; }
  Permissions& perms() { return *perms_; }
  HotkeyTester& tester() { return *tester_; }
  // The read under way and what the last one left.
  ReadSession& read() { return *read_; }
  // The voice commands' wiring: holding the key to ask, and its status.
  VoiceWiring& voice() { return *voice_; }
  // What the application says in passing, on the pill.
  Notices& notices() { return *notices_; }
  // None when the database could not be opened.
  const std::shared_ptr<NotesStore>& notes() const { return notes_; }
  const std::shared_ptr<platform::NotificationCenter>& notifications() const { return services_.notifications; }
  // The audio graph reads play through.
  AudioGraph& graph();
  const std::shared_ptr<platform::Workspace>& workspace() const { return services_.workspace; }
  const std::shared_ptr<ax::System>& ax() const { return services_.ax; }
  // The notes database when it opened, else the research file; chosen once.
  ResearchStore& store();
  Capturer& capturer() { return *capturer_; }
  Pill& pill() { return *pill_; }
  const std::shared_ptr<AccountClient>& accountShared() const { return services_.account; }
  ModifierTap* tap() { return tap_.get(); }
  Windows* windows() { return windows_.get(); }
  StatusMenu* menu() { return menu_.get(); }

  // ---- Reading ----
  // Starts a read of the front window, or (from the hotkey or the menu) stops the one under way.
  // `text` reads that text instead of a window (developer use).
  void trigger(const std::string& source, double eventLagMs, ReadOptions opts = {},
               std::optional<std::string> text = std::nullopt, std::optional<Vendor> vendor = std::nullopt,
               std::optional<Capture> captured = std::nullopt);
  // The library's "Listen": reads `text` as a read of its own (source "highlights"), stopping the
  // read under way first.
  void readText(const std::string& text) { trigger("highlights", -1, {}, text); }

  // ---- The library ----
  // Has the service write a document about the page being read (about `topic`, else about the
  // part at `at`) and keeps it in the library; returns at once.
  void writeDoc(const std::string& topic, const std::optional<Player::Moment>& at);
  // Warns of kept page texts due to be cleared, and clears what is due.
  void historyHousekeeping();

 private:
  // The interruption watch, made on first use.
  Interruptions& interruptions();
  // Points the natural voice at the service's proxy while an account token exists, else clears it.
  void configureVoiceProxy();
  // Settings and permissions changed.
  void prefsChanged();
  void permissionsChanged();
  AccountClient& account() { return *services_.account; }
  // Questions and documents about the library: the account's client of the service.
  std::shared_ptr<LibraryService> libraryService();
  // Makes the notices, the read session and the voice wiring, which hold the controller weakly.
  void makeRead();
  void refreshMenu();
  // The windows once launch has made them, for parts made before them; none after the controller.
  std::function<Windows*()> windowsLater();
  void step(const char* name);
  void refreshAccountIfSignedIn();
  void makeTap();
  void doubleTap(double lagMs);
  // A closure that calls `f` with the controller while it lives, and does nothing after.
  template <class F>
  std::function<void()> weakly(F f) {
    return [weak = weak_from_this(), f = std::move(f)] {
      if (auto self = weak.lock()) f(*self);
    };
  }

  AppServices services_;
  std::shared_ptr<Permissions> perms_;
  std::shared_ptr<HotkeyTester> tester_;
  std::shared_ptr<NotesStore> notes_;
  std::unique_ptr<ResearchStore> jsonlStore_;
  std::shared_ptr<Capturer> capturer_;
  std::shared_ptr<Pill> pill_;
  std::shared_ptr<ClickTracker> clicks_;
  std::shared_ptr<ModifierTap> tap_;
  std::unique_ptr<StatusMenu> menu_;
  std::unique_ptr<Windows> windows_;
  std::shared_ptr<EngineFactory> engines_;
  std::shared_ptr<Notices> notices_;
  std::shared_ptr<ReadSession> read_;
  std::shared_ptr<VoiceWiring> voice_;
  std::shared_ptr<DebugControl> debug_;
  std::shared_ptr<Interruptions> interruptions_;
  std::vector<std::uint64_t> sessionObservers_;
  std::optional<std::uint64_t> activationObserver_;
  dispatch::RepeatingTimer housekeepingTimer_;
  dispatch::RepeatingTimer accountTimer_;
  bool launched_ = false;
};

}  // namespace orvak
