// The controller that owns every long-lived part of the application for the life of the process
// and wires them together at launch, in a fixed order.
//
// Construction opens the stores and makes the parts that need no windows; `launch()` makes the
// windows and the status menu, the hotkey, and starts the watches. Main queue only; every closure
// the controller hands out holds it weakly and does nothing once it is gone.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/capturer.h"
#include "app/click_tracker.h"
#include "app/controller/app_services.h"
#include "app/highlight/highlighter.h"
#include "app/hotkey/hotkey_tester.h"
#include "app/hotkey/modifier_tap.h"
#include "app/pill/pill.h"
#include "app/player/player.h"
#include "app/read_harness.h"
#include "app/prefs.h"
#include "app/system/permissions.h"
#include "core/base/dispatch.h"
#include "core/library/notes_store.h"
#include "core/library/position_store.h"
#include "core/library/research_item.h"
#include "speech/engine.h"
#include "speech/vendor.h"

namespace orvak {

class AppController : public std::enable_shared_from_this<AppController> {
  struct Token {};

 public:
  static constexpr double kHousekeepingDelay = 20;
  static constexpr double kSixHours = 21'600;
  static constexpr double kCrashOfferDelay = 2;
  static constexpr double kSigningInSeconds = 3;

  // Opens the notes database (else one log line, and research goes to research.jsonl), the
  // positions, and makes the capturer, the pill and the click tracker.
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
  // Points the natural voice at the service's proxy while an account token exists, else clears it.
  void configureVoiceProxy();

  // Settings and permissions changed.
  void prefsChanged();
  void permissionsChanged();

  Prefs& prefs() { return *services_.prefs; }
  Permissions& perms() { return *perms_; }
  HotkeyTester& tester() { return *tester_; }
  // None when the database could not be opened.
  NotesStore* notes() { return notes_.get(); }
  const std::shared_ptr<NotesStore>& notesShared() const { return notes_; }
  const std::shared_ptr<platform::NotificationCenter>& notifications() const { return services_.notifications; }
  const std::shared_ptr<platform::Workspace>& workspace() const { return services_.workspace; }
  // The notes database when it opened, else the research file; chosen once.
  ResearchStore& store();
  PositionStore& positions() { return *positions_; }
  Capturer& capturer() { return *capturer_; }
  Pill& pill() { return *pill_; }
  ClickTracker& clicks() { return *clicks_; }
  AccountClient& account() { return *services_.account; }
  ModifierTap* tap() { return tap_.get(); }
  Windows* windows() { return windows_.get(); }
  MenuBar* menu() { return menu_.get(); }
  bool online() const { return online_; }
  const std::string& voiceStatus() const { return voiceStatus_; }
  bool busy() const { return busy_; }

  // ---- Reading ----
  // Starts a read of the front window, or (from the hotkey or the menu) stops the one under way.
  // `text` reads that text instead of a window (developer use).
  void trigger(const std::string& source, double eventLagMs, ReadOptions opts = {},
               std::optional<std::string> text = std::nullopt, std::optional<Vendor> vendor = std::nullopt);
  // The library's "Listen": reads `text` as a read of its own (source "highlights"), stopping the
  // read under way first.
  void readText(const std::string& text) { trigger("highlights", -1, {}, text); }
  // The vendor to read with and, when it had to switch to the on-device voice, why.
  std::pair<Vendor, std::optional<std::string>> vendorForRead(std::optional<Vendor> requested) const;
  // The engine of a vendor, kept until the settings it is built from change.
  std::shared_ptr<SpeechEngine> engine(Vendor vendor);
  // The next reading speed after the setting's (0.8 … 2.0, wrapping; off the ladder: 1.25).
  void cycleSpeed();
  // Reads the current read's text again from its first character.
  void startOver();
  // Reads from the top of what is on screen.
  void readFromHere(const std::string& why);
  // The hotkey held down.
  void holdStart();
  // Starts the band over the sentence heard for a read of `capture`, replacing any other.
  void startHighlighter(const Capture& capture);
  Highlighter* highlighter() { return highlighter_.get(); }
  // A warning on the pill.
  void fail(const std::string& text);
  // A short note on the pill.
  void note(const std::string& text) { pill_->flash(text); }

  const std::shared_ptr<Player>& player() const { return player_; }
  const std::optional<Capture>& lastCapture() const { return lastCapture_; }
  const std::optional<ReadTiming>& lastRead() const { return lastRead_; }
  const std::optional<std::string>& lastError() const { return lastError_; }
  // The last state the current read published; none before its first.
  const std::optional<PlayerState>& playerState() const { return playerState_; }
  // What the current read is called (its window's title, else its application or voice).
  const std::string& readingTitle() const { return readingTitle_; }
  // Options every read starts with on top of its own (the workbench mutes reads this way).
  ReadOptions baseReadOptions;
  // Each state of the current read, and the end of every read (tools listen here).
  std::function<void(const std::shared_ptr<Player>&, const PlayerState&)> onReadState;
  std::function<void(const ReadTiming&)> onReadEnd;

  // Each step of `launch()` by name, as it begins; for tests and the workbench.
  std::function<void(const char* step)> onLaunchStep;

 private:
  void step(const char* name);
  void refreshAccountIfSignedIn();
  void makeTap();
  void doubleTap(double lagMs);
  void captureDone(const std::shared_ptr<Player>& player, const ReadOptions& opts, CaptureOutcome outcome);
  void readState(const std::shared_ptr<Player>& player, const PlayerState& state);
  void readEnded(const std::shared_ptr<Player>& player, const ReadTiming& timing);
  void remember(const std::shared_ptr<Player>& player, const ReadTiming& timing);
  void recordListen(const std::shared_ptr<Player>& player, const ReadTiming& timing);
  ReadHarness& harness();
  template <class F>
  std::function<void()> weakly(F f);

  AppServices services_;
  std::shared_ptr<Permissions> perms_;
  std::shared_ptr<HotkeyTester> tester_;
  std::shared_ptr<NotesStore> notes_;
  std::unique_ptr<ResearchStore> jsonlStore_;
  std::unique_ptr<PositionStore> positions_;
  std::shared_ptr<Capturer> capturer_;
  std::shared_ptr<Pill> pill_;
  std::shared_ptr<ClickTracker> clicks_;
  std::shared_ptr<ModifierTap> tap_;
  std::unique_ptr<MenuBar> menu_;
  std::unique_ptr<Windows> windows_;
  std::shared_ptr<ReadHarness> harness_;
  std::map<Vendor, std::pair<EngineConfig, std::shared_ptr<SpeechEngine>>> engines_;
  std::shared_ptr<Player> player_;
  std::shared_ptr<Highlighter> highlighter_;
  std::weak_ptr<Player> endedItself_;  // the last read whose own end cleared `player_`
  std::optional<Capture> lastCapture_;
  std::optional<ReadTiming> lastRead_;
  std::optional<std::string> lastError_;
  std::optional<PlayerState> playerState_;
  std::string readingTitle_;
  std::string voiceStatus_ = "off";
  bool busy_ = false;
  bool online_ = true;
  std::vector<std::uint64_t> sessionObservers_;
  std::optional<std::uint64_t> activationObserver_;
  dispatch::RepeatingTimer housekeepingTimer_;
  dispatch::RepeatingTimer accountTimer_;
  bool launched_ = false;
};

}  // namespace orvak
