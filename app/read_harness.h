// Starting a read's player and handing a network read that failed before any sound to the
// on-device voice: the part of the reading controller that the player needs around it. The
// workbench and tests drive reads through it until the controller takes it over.
//
// Main thread only: every method and every callback below runs there.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/audio/audio_graph.h"
#include "app/player/player.h"
#include "app/prefs.h"
#include "speech/engine.h"

namespace orvak {

class ReadHarness : public std::enable_shared_from_this<ReadHarness> {
 public:
  using EngineFor = std::function<std::shared_ptr<SpeechEngine>(Vendor)>;

  // `engineFor` hands out the (possibly cached) engine of a vendor; `graph` defaults to the
  // shared graph.
  static std::shared_ptr<ReadHarness> make(Prefs& prefs, EngineFor engineFor,
                                           std::shared_ptr<AudioGraph> graph = nullptr);

  // Builds a player for `vendor` the way every read begins: its engine, the preferred speed and
  // pronunciations, a fresh "orvak.player" queue, the read record stamped now; wires the
  // callbacks, marks a fallback, makes it the current player, attaches the voice controller when
  // it is ready (or the "debugControl" flag is set) and calls begin(). Never fails.
  std::shared_ptr<Player> startPlayer(Vendor vendor, const std::string& source, std::uint64_t handlerTime,
                                      double eventLagMs, const ReadOptions& opts,
                                      std::optional<Vendor> fallbackFrom = std::nullopt);

  std::shared_ptr<Player> current() const { return current_; }

  // ---- What the owner of the harness hears (main thread) ----
  std::function<void(const std::shared_ptr<Player>&, const PlayerState&)> onState;
  std::function<void(const std::shared_ptr<Player>&, const ReadTiming&)> onFirstAudio;
  std::function<void(const std::shared_ptr<Player>&, const ReadTiming&)> onEnd;
  std::function<void(const std::shared_ptr<Player>&)> onBackPastStart;
  // Asked before a fallback: whether `failed` may still be replaced (none: when it is the current
  // player).
  std::function<bool(const std::shared_ptr<Player>& failed)> mayFallBack;
  // A fallback read was started in place of `failed`.
  std::function<void(const std::shared_ptr<Player>& failed, const std::shared_ptr<Player>& replacement)> onFallback;

  // The voice-command controller: `voiceReady` tells whether it is ready, `attachVoice` attaches
  // it to a new player (it sets the player's playback callbacks).
  std::function<bool()> voiceReady;
  std::function<void(const std::shared_ptr<Player>&)> attachVoice;

 private:
  ReadHarness(Prefs& prefs, EngineFor engineFor, std::shared_ptr<AudioGraph> graph);

  struct Trigger {
    std::string source;
    std::uint64_t handlerTime = 0;
    double eventLagMs = 0;
    ReadOptions opts;
    Vendor vendor = Vendor::onDevice;
  };
  void failedBeforeAudio(const std::shared_ptr<Player>& failed, const Trigger& trigger, const std::string& message);

  Prefs& prefs_;
  EngineFor engineFor_;
  std::shared_ptr<AudioGraph> graph_;
  std::shared_ptr<Player> current_;
};

}  // namespace orvak
