// The voice commands as the application wires them: set up once the microphone is granted, told
// of every read, the hotkey held down to ask (about the read under way, the library when its
// window is in front, or the front window captured while nothing plays), and their requests handed
// on to the read session, the library window and the controller. Its status ("off", "starting…",
// "on", or why the set-up failed) is what the status menu shows.
//
// Made with the controller, which hands it the voice commands at launch (none on a system
// without them). Main queue only; every closure it hands out holds it weakly.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/capture/capture.h"
#include "app/capture/capturer.h"
#include "app/controller/notices.h"
#include "app/controller/read_session.h"
#include "app/controller/voice_commands.h"
#include "app/prefs.h"
#include "app/system/permissions.h"
#include "app/windows/windows.h"
#include "platform/workspace.h"
#include "speech/engine_factory.h"

namespace orvak {

class VoiceWiring : public std::enable_shared_from_this<VoiceWiring> {
  struct Token {};

 public:
  struct Parts {
    std::shared_ptr<Prefs> prefs;
    std::shared_ptr<Permissions> perms;
    std::shared_ptr<ReadSession> read;
    std::shared_ptr<Notices> notices;
    std::shared_ptr<Capturer> capturer;  // captures the page a question is about
    std::shared_ptr<EngineFactory> engines;
    std::shared_ptr<platform::Workspace> workspace;
  };
  // What it asks of the controller; each may be empty.
  struct Hooks {
    // The application's windows; none before launch or without windows.
    std::function<Windows*()> windows;
    // A read of the page captured for asking, through the controller's trigger.
    std::function<void(const ReadOptions& opts, std::optional<Capture> captured)> readAsked;
    // A document about the page being read, written by the service.
    std::function<void(const std::string& topic, const std::optional<Player::Moment>& at)> writeDoc;
    // The status changed.
    std::function<void()> changed;
  };

  static std::shared_ptr<VoiceWiring> make(Parts parts, Hooks hooks);
  VoiceWiring(Token, Parts parts, Hooks hooks);

  // The voice commands, wired to the rest; once, at launch.
  void use(std::shared_ptr<VoiceCommands> commands);
  // Sets the commands up once, when the microphone is granted.
  void startIfAllowed();
  // A read began: the commands follow its playback once they are set up (the control channel's
  // tests drive them before).
  void follow(const std::shared_ptr<Player>& player);
  // The settings changed: listening all the time or only while the key is held.
  void prefsChanged();
  // The audio devices changed while the microphone was wired into the graph.
  void reconnect();

  // The hotkey held down: the commands listen, or the pill says why they cannot.
  void holdStart();
  // The hotkey let go after a hold.
  void holdEnd(bool cancelled);
  // Captures the front window for a question while nothing plays; `idlePage` waiters hear of it.
  void captureForAsking();
  // Developer speech: `text` handled as if spoken while holding the key.
  void debugSay(const std::string& text);

  // None before launch, and on a system without voice commands.
  VoiceCommands* commands() { return commands_.get(); }
  const std::string& status() const { return status_; }
  // The page captured for asking; `idleCaptured` false while that capture runs.
  const std::optional<Capture>& idleCapture() const { return idleCapture_; }
  bool idleCaptured() const { return idleCaptured_; }

 private:
  void wire();
  // Calls `then` with the idle capture once it is settled: at once, or when it arrives.
  void whenIdleCaptured(std::function<void(const std::optional<Capture>&)> then);
  // Our library window is the front window (a question is for the library).
  bool libraryInFront() const;
  Windows* windows() const { return hooks_.windows ? hooks_.windows() : nullptr; }

  Parts parts_;
  Hooks hooks_;
  std::shared_ptr<VoiceCommands> commands_;
  std::string status_ = "off";
  std::optional<Capture> idleCapture_;
  bool idleCaptured_ = true;
  bool idleHeld_ = false;
  std::vector<std::function<void(const std::optional<Capture>&)>> idleWaiters_;
};

}  // namespace orvak
