// The voice-command controller as the reading controller drives it: set up once, attached to
// every read, told when the hotkey is held and let go, and handed text as if it had been spoken.
// It asks the reading controller for what it cannot do itself through the callbacks below, which
// the controller sets at launch. Main queue only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/account/account_client.h"
#include "app/audio/audio_graph.h"
#include "app/player/player.h"
#include "app/prefs.h"
#include "core/library/research_item.h"
#include "platform/notify.h"
#include "speech/engine.h"

namespace orvak {

// What the application's voice commands are made from.
struct VoiceCommandParts {
  std::shared_ptr<AudioGraph> graph;
  std::shared_ptr<Prefs> prefs;
  std::shared_ptr<AccountClient> account;
  std::shared_ptr<platform::NotificationCenter> notifications;  // none: saved items are not announced
  // Where saved research goes: the notes database or the research file; none once the
  // application is going away.
  std::function<ResearchStore*()> store;
};

class VoiceCommands {
 public:
  // The page a question while nothing plays is about.
  struct Page {
    std::string text;
    std::string title;
  };

  virtual ~VoiceCommands() = default;

  // Set up and able to listen.
  virtual bool ready() const = 0;
  // Starts the microphone and prepares recognition; `done` gets none or the reason it failed, on
  // the main queue.
  virtual void setup(std::function<void(std::optional<std::string> error)> done) = 0;
  // Listens all the time rather than only while the key is held.
  virtual void setAlwaysOn(bool on) = 0;
  // A new read: the controller follows its playback.
  virtual void attach(const std::shared_ptr<Player>& player) = 0;
  // The key went down: `idle` when nothing plays, `library` when the question is for the library.
  virtual void holdDown(bool idle, bool library) = 0;
  virtual void holdUp(bool cancelled) = 0;
  // The audio devices changed under the graph: the microphone is opened again on the current
  // default source (nothing before the set-up).
  virtual void reconnect() = 0;
  // `text` as if it had been heard while holding the key.
  virtual void simulate(const std::string& text, bool idle) = 0;
  // The sound file as if the microphone had heard it, scaled to `peakDb`; `label` names it in logs.
  virtual void inject(const std::string& file, const std::string& label, double peakDb) = 0;
  // What the set-up's log line reports: the recogniser's preparation in milliseconds (-1 when
  // unknown) and whether the microphone runs with echo cancellation.
  virtual double prepareMs() const = 0;
  virtual bool echoCancellation() const = 0;

  // ---- Set by the reading controller ----
  std::function<void(const std::string&)> onStatus;
  std::function<void()> onStop;
  std::function<void()> onStartOver;
  std::function<void()> onReadFromHere;
  std::function<void(const std::string& question)> libraryAsk;
  std::function<void(const std::string& topic, const std::optional<Player::Moment>& at)> onWriteDoc;
  // The page captured for a question while nothing plays, once it is there (none: no page).
  std::function<void(std::function<void(std::optional<Page>)> reply)> idlePage;
  // A read of the idle page: from `quote` when given; without one it starts where any read
  // would (the saved place, the last click).
  std::function<void(const std::optional<std::string>& quote)> onReadAt;
  std::function<std::shared_ptr<SpeechEngine>()> makeAnswerEngine;
};

}  // namespace orvak
