// The interruption watch: events that must pause or stop the read under way. The computer going
// to sleep, another user taking over, the screen locking or its saver starting, the headphones
// going away and a call starting pause it; the read program quitting, or its page going away on
// two checks in a row, stop it. Each says why in the pill and in one log line. A device change
// under the audio graph rebuilds the graph and the read plays on.
//
// It owns no read: it asks the read session for the current player each time. Main queue only,
// except the page check, which runs on the global queue and only reads Accessibility.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/audio/audio_graph.h"
#include "app/audio/audio_route.h"
#include "app/pill/pill.h"
#include "core/base/dispatch.h"
#include "platform/audio_hardware.h"
#include "platform/ax.h"
#include "platform/session.h"
#include "platform/workspace.h"

namespace orvak {

class ReadSession;
class Player;
struct Capture;

class Interruptions : public std::enable_shared_from_this<Interruptions> {
  struct Token {};

 public:
  static constexpr double kTickSeconds = 2.0;
  // Each Accessibility request of a page check gives up after this long.
  static constexpr double kCheckTimeout = 0.3;
  static constexpr std::size_t kSampledElements = 8;

  struct Services {
    std::shared_ptr<ax::System> ax;
    std::shared_ptr<platform::Session> session;  // none: no session events
    std::shared_ptr<platform::Workspace> workspace;
    std::shared_ptr<platform::AudioHardware> audio;  // none: the system's
    std::shared_ptr<AudioGraph> graph;               // none: the shared graph
    std::shared_ptr<Pill> pill;                      // says why the read paused or stopped
  };

  static std::shared_ptr<Interruptions> make(std::weak_ptr<ReadSession> read, Services services);
  Interruptions(Token, std::weak_ptr<ReadSession> read, Services services);

  // Registers the observers and the 2-second tick, all holding the watch weakly. Once.
  void start();

  // Reconnects the voice commands' listener after a device change while the microphone is wired
  // into the graph; set by whoever owns the listener (main queue).
  std::function<void()> reconnectListener;

  // The page check's verdict from the window's presence and title and the sampled elements:
  // gone when the window left its application's list, or when its title changed and at least
  // three quarters of two or more sampled elements are dead.
  static bool pageGone(bool windowGone, bool titleChanged, std::size_t sampled, std::size_t dead);

 private:
  platform::AudioHardware& audio();
  void pause(const std::string& reason);
  void outputChanged();
  void engineReconfigured();
  void tick();
  void checkPage(const std::shared_ptr<Player>& player, const std::shared_ptr<const Capture>& capture);
  void checked(const std::shared_ptr<Player>& player, const std::shared_ptr<const Capture>& capture, bool gone);
  void stop(const std::shared_ptr<Player>& player, bool quit, const std::string& appName);

  std::weak_ptr<ReadSession> read_;
  Services services_;
  std::optional<AudioRoute::Output> output_;
  dispatch::RepeatingTimer timer_;
  std::optional<std::string> pausedForCall_;
  int goneChecks_ = 0;
  bool checking_ = false;
  bool started_ = false;
};

}  // namespace orvak
