// The read under way, from the trigger's hand-over to its end: the capture of the front window,
// where in it the read starts, the player, the band over the sentence heard, and the on-device
// read that takes over when a cloud voice fails before any sound. What a read leaves behind is
// kept here too: its place in the page, its listen in the history, the last capture and timing
// record. The read's own controls act on it: speed, start over, back before the start, read from
// here, and the scroll watch that offers it.
//
// Made by the controller, which keeps the trigger (whether a read may start at all) and hands
// each read over with `begin`; it lives as long as the controller. Main queue only; every
// closure it hands out holds it weakly and does nothing once it is gone.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/account/account_client.h"
#include "app/capture/capture.h"
#include "app/capture/capturer.h"
#include "app/capture/click_tracker.h"
#include "app/controller/notices.h"
#include "app/highlight/highlight_overlay.h"
#include "app/highlight/highlighter.h"
#include "app/pill/pill.h"
#include "app/player/player.h"
#include "app/prefs.h"
#include "core/base/dispatch.h"
#include "core/library/notes_store.h"
#include "core/library/position_store.h"
#include "platform/events.h"
#include "platform/notify.h"
#include "platform/workspace.h"
#include "speech/engine_factory.h"
#include "speech/vendor.h"

namespace orvak {

class ReadSession : public std::enable_shared_from_this<ReadSession> {
  struct Token {};

 public:
  static constexpr double kFollowPause = 6;
  static constexpr double kSettleDelay = 0.7;
  static constexpr double kOfferLifetime = 8;
  static constexpr int kSnippetLength = 60;

  // What reads are made from, lent by the controller.
  struct Parts {
    std::shared_ptr<Prefs> prefs;
    std::shared_ptr<EngineFactory> engines;
    std::shared_ptr<AudioGraph> graph;  // none: the process's shared graph
    std::shared_ptr<Pill> pill;
    std::shared_ptr<Notices> notices;
    std::shared_ptr<Capturer> capturer;
    // Captures the front window for a read instead of the capturer, calling `done` on the main
    // queue (a test holds a capture back this way); none: the capturer.
    std::function<void(std::uint64_t handlerTime, std::function<void(CaptureOutcome)> done)> captureForRead;
    std::shared_ptr<ClickTracker> clicks;
    std::shared_ptr<NotesStore> notes;  // none: no history and no saved highlights
    std::shared_ptr<AccountClient> account;
    std::shared_ptr<platform::NotificationCenter> notifications;  // none: the library is not told
    std::shared_ptr<platform::Workspace> workspace;
    std::shared_ptr<platform::Events> events;
    HighlightOverlayFactory makeOverlay;  // none: reads have no band
  };
  // What the session tells the controller; each may be empty.
  struct Hooks {
    // What the status menu shows of the read changed.
    std::function<void()> changed;
    // A read's player was made and is about to begin (the voice commands follow it).
    std::function<void(const std::shared_ptr<Player>&)> began;
    // The timing record a waiting developer trigger hears: at a read's first sound, or at the end
    // of a read that never sounded.
    std::function<void(const ReadTiming&)> result;
    // A capture was refused for want of Accessibility access.
    std::function<void()> needsAccess;
    // A read of what is on screen now, through the controller's trigger ("Read from here").
    std::function<void(const std::string& source, const ReadOptions& opts)> trigger;
  };

  // A read the trigger hands over: read `text` when given, else `captured` when given, else a
  // capture of the front window. `vendor` none: the settings' vendor.
  struct Request {
    std::string source;
    std::uint64_t handlerTime = 0;
    double eventLagMs = -1;
    ReadOptions opts;
    std::optional<Vendor> vendor;
    std::optional<std::string> text;
    std::optional<Capture> captured;
  };

  // Opens the positions store.
  static std::shared_ptr<ReadSession> make(Parts parts, Hooks hooks);
  ReadSession(Token, Parts parts, Hooks hooks);

  // ---- Starting and stopping ----
  // Starts the read handed over; the trigger stopped the read under way first.
  void begin(Request request);
  // Stops the read under way for `reason`; whether there was one.
  bool stop(const std::string& reason);
  // Ends that read when it is the current one, for a reason of its own ("appQuit", "pageGone").
  void interrupt(const std::shared_ptr<Player>& player, const std::string& reason);
  // A capture for a read is under way: no other read starts until it answers.
  bool capturing() const { return capturing_; }
  // The vendor to read with and, when it had to switch to the on-device voice, why.
  std::pair<Vendor, std::optional<std::string>> vendorFor(std::optional<Vendor> requested) const;
  // The engine of a vendor, kept until the settings it is built from change.
  std::shared_ptr<SpeechEngine> engine(Vendor vendor);
  // Whether the network is up, as the controller last heard; a cloud read needs it.
  void setOnline(bool online) { online_ = online; }
  bool online() const { return online_; }
  // Options every read starts with on top of its own (the workbench mutes reads this way).
  void setBaseOptions(ReadOptions opts) { base_ = std::move(opts); }

  // ---- The read's controls ----
  // The next reading speed after the setting's (0.8 … 2.0, wrapping; off the ladder: 1.25).
  void cycleSpeed();
  // Reads the current read's text again from its first character.
  void startOver();
  // Reads from the top of what is on screen.
  void readFromHere(const std::string& why);
  // The user went back past the first sentence of the read: it starts again a little earlier.
  void backBeforeStart();
  // Shows the highlights saved on the page being read (one was just saved).
  void showSavedHighlights();

  // ---- Scrolling while a read goes on ----
  // Installs the scroll-wheel monitor (once, for the life of the session).
  void startScrollWatch();
  // Whether the sentence heard is still on screen after the scrolling settled: a fresh capture of
  // the front window; offers "Read from here" when the sentence is off screen, withdraws the offer
  // otherwise.
  void checkScrolledAway();
  // Shows or withdraws the "Read from here" offer; an offer withdraws itself after 8 s.
  void setOffer(bool on);

  // ---- What the read under way shows, and what the last one left ----
  // None while nothing is read.
  const std::shared_ptr<Player>& player() const { return player_; }
  // The last state the current read published; none before its first.
  const std::optional<PlayerState>& playerState() const { return playerState_; }
  // What the current read is called (its window's title, else its application or voice).
  const std::string& readingTitle() const { return readingTitle_; }
  // The band of the current read; none without one.
  Highlighter* highlighter() { return highlighter_.get(); }
  const std::optional<Capture>& lastCapture() const { return lastCapture_; }
  const std::optional<ReadTiming>& lastRead() const { return lastRead_; }
  // The places reads were left at.
  PositionStore& positions() { return *positions_; }

  // Each state of the current read, and the end of every read (tools listen here).
  std::function<void(const std::shared_ptr<Player>&, const PlayerState&)> onReadState;
  std::function<void(const ReadTiming&)> onReadEnd;

 private:
  // What a read was started with, for the on-device read that replaces it.
  struct ReadTrigger {
    std::string source;
    std::uint64_t handlerTime = 0;
    double eventLagMs = 0;
    ReadOptions opts;
    Vendor vendor = Vendor::onDevice;
  };

  // Builds a read's player the way every read begins (its vendor's engine, the speed and
  // pronunciations of the settings, a queue of its own, the record stamped now), wires its
  // reports here, makes it the current read, tells the controller, begins it and refreshes the
  // status menu. The caller stops the read it replaces first.
  std::shared_ptr<Player> startPlayer(Vendor vendor, const std::string& source, std::uint64_t handlerTime,
                                      double eventLagMs, const ReadOptions& opts,
                                      std::optional<Vendor> fallbackFrom = std::nullopt);
  // Stops the current read (which has spoken) and reads its text again from `from`, with the same
  // page and place; `forgetPlace` drops the place saved for the page first.
  std::shared_ptr<Player> restart(const std::string& source, int from, bool forgetPlace);
  // A network read failed before any sound: the same stretch is read on the on-device voice,
  // once, when the failed read is still the one the user expects.
  void failedBeforeAudio(const std::shared_ptr<Player>& failed, const ReadTrigger& trigger, const std::string& message);
  void captureDone(const std::shared_ptr<Player>& player, const ReadOptions& opts, CaptureOutcome outcome);
  // Starts the band over the sentence heard for a read of `capture`, replacing any other.
  void startHighlighter(const Capture& capture);
  void readState(const std::shared_ptr<Player>& player, const PlayerState& state);
  void readEnded(const std::shared_ptr<Player>& player, const ReadTiming& timing);
  void remember(const std::shared_ptr<Player>& player, const ReadTiming& timing);
  void recordListen(const std::shared_ptr<Player>& player, const ReadTiming& timing);
  void scrolled();
  void scrollChecked(const std::shared_ptr<Player>& player, const std::string& playing, std::uint64_t handlerTime,
                     CaptureOutcome outcome);
  void changed();
  Prefs& prefs() { return *parts_.prefs; }
  // A closure that calls `f` with the session while it lives, and does nothing after.
  template <class F>
  std::function<void()> weakly(F f) {
    return [weak = weak_from_this(), f = std::move(f)] {
      if (auto self = weak.lock()) f(*self);
    };
  }

  Parts parts_;
  Hooks hooks_;
  std::unique_ptr<PositionStore> positions_;
  ReadOptions base_;
  bool online_ = true;
  bool capturing_ = false;
  std::shared_ptr<Player> player_;
  // The newest player started, held until the next one starts: a read stopped by the user (and so
  // no longer `player_`) lives on to report its end, which keeps its place.
  std::shared_ptr<Player> newest_;
  std::weak_ptr<Player> endedItself_;  // the last read whose own end cleared `player_`
  std::shared_ptr<Highlighter> highlighter_;
  std::optional<Capture> lastCapture_;
  std::optional<ReadTiming> lastRead_;
  std::optional<PlayerState> playerState_;
  std::string readingTitle_;
  std::optional<std::uint64_t> scrollMonitor_;
  dispatch::WorkItem scrollSettle_;
  dispatch::WorkItem offerExpiry_;
};

}  // namespace orvak
