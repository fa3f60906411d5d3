// The developer control channel: another process on this machine starts reads with chosen
// options, presses the read's buttons, speaks commands as text, opens windows and runs probes,
// and hears back each read's timing record once it sounds. Messages are named strings carried by
// a `DebugBus` (the session bus in the application); the controller makes the channel at launch
// when the defaults flag "debugControl" is on, and lends it the parts it acts on. Main queue only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/controller/read_session.h"
#include "app/controller/voice_wiring.h"
#include "app/prefs.h"
#include "app/windows/windows.h"
#include "core/base/dispatch.h"
#include "core/speech/read_timing.h"
#include "platform/audio_hardware.h"
#include "platform/ax.h"
#include "platform/events.h"
#include "platform/notify.h"
#include "platform/workspace.h"
#include "speech/vendor.h"

namespace orvak {

// Named messages with one string between processes of this user.
class DebugBus {
 public:
  virtual ~DebugBus() = default;
  virtual void post(const std::string& name, const std::string& payload) = 0;
  // `handler` hears every message of that name on the main queue, for the life of the bus.
  virtual void observe(const std::string& name, std::function<void(const std::string&)> handler) = 0;
};

namespace DebugNames {
// The bundle identifier followed by ".debug.trigger", ".debug.control", ".debug.result" and
// ".debug.controlled".
std::string trigger();
std::string control();
std::string result();
// The answer to each control: "done", or "unknown" for a control the channel does not know. A
// sender that hears none knows the channel is off.
std::string controlled();
}  // namespace DebugNames

class DebugControl : public std::enable_shared_from_this<DebugControl> {
  struct Token {};

 public:
  // What the channel acts on, lent by the controller.
  struct Parts {
    std::shared_ptr<DebugBus> bus;
    std::shared_ptr<ReadSession> read;
    std::shared_ptr<VoiceWiring> voice;
    std::shared_ptr<Prefs> prefs;
    std::shared_ptr<ax::System> ax;
    std::shared_ptr<platform::Events> events;
    std::shared_ptr<platform::Workspace> workspace;
    std::shared_ptr<platform::AudioHardware> audioHardware;        // none: the system's
    std::shared_ptr<platform::NotificationCenter> notifications;  // none: nothing is posted
    // The application's windows; none without windows.
    std::function<Windows*()> windows;
    // A developer read (source "debug") through the controller's trigger: `text` when given, else
    // the front window; `vendor` none: the settings' vendor.
    std::function<void(const ReadOptions& opts, std::optional<std::string> text, std::optional<Vendor> vendor)>
        trigger;
  };

  // Listens for triggers and controls on the bus; logs "debug control channel on".
  static std::shared_ptr<DebugControl> make(Parts parts);
  DebugControl(Token, Parts parts);

  // Tokens separated by spaces: "key=value" (split at the first "=") or "key" (meaning "1"); a
  // later token wins; tokens without a key are skipped.
  static std::map<std::string, std::string> kv(std::string_view options);
  // A control message's word and argument ("speed=1.5" -> "speed", "1.5"); none without a word.
  struct Control {
    std::string word;
    std::string argument;
  };
  static std::optional<Control> parseControl(std::string_view message);
  // The scroll probe's line count for an argument: a whole number within ±1,000 (beyond: the
  // nearest limit); -10 when empty or not a whole number.
  static int scrollLines(std::string_view argument);

  // The largest file a trigger's "text" reads; a larger one leaves the front window to read.
  static constexpr std::uintmax_t kMaxTextFileBytes = 16 * 1024 * 1024;

  void onTrigger(const std::string& options);
  // Acts on a control, writes a log line for it and answers it on the bus.
  void onControl(const std::string& message);
  // Posts the read's timing record as the result message.
  void firstAudio(const ReadTiming& timing);

 private:
  // False for a control without a word or with one the channel does not know.
  bool act(const std::string& message);
  Windows* windows() const { return parts_.windows ? parts_.windows() : nullptr; }

  Parts parts_;
  std::shared_ptr<dispatch::Queue> files_;  // reads the files triggers name
};

}  // namespace orvak
