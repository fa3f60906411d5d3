// The two grants Orvak needs: Accessibility trust (to read other programs' windows and watch the
// trigger key) and the microphone (for voice commands). One holder of both states, which the
// onboarding and settings show and the controller watches through `onChange`.
//
// Polling re-reads both once a second until both are granted; it never stops otherwise, so a grant
// made later shows up within a second. Main thread only: the poll timer runs on the main queue and
// a microphone answer is moved there before it is read.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "core/base/dispatch.h"
#include "core/base/observers.h"
#include "platform/ax.h"
#include "platform/microphone.h"

namespace orvak {

class Permissions : public std::enable_shared_from_this<Permissions> {
  struct Token {};

 public:
  using Mic = platform::MicAccess;
  static constexpr double kPollInterval = 1.0;

  // Reads both states at once.
  static std::shared_ptr<Permissions> make(std::shared_ptr<ax::System> ax, std::shared_ptr<platform::Microphone> mic);
  Permissions(Token, std::shared_ptr<ax::System> ax, std::shared_ptr<platform::Microphone> mic);

  bool accessibility() const { return accessibility_; }
  Mic mic() const { return mic_; }
  // Called once for each refresh that found a change, after both new values are in place.
  std::function<void()> onChange;
  // Observers hear of the same changes, after `onChange`; the windows watch the grants this way.
  // An observer may remove itself.
  std::uint64_t addObserver(std::function<void()> observer);
  void removeObserver(std::uint64_t token);

  // Re-reads both states; stops polling when both are granted.
  void refresh();
  // Starts the one-second poll unless it runs already.
  void startPolling();
  bool isPolling() const { return timer_.has_value(); }
  // Asks for the microphone; the answer is read back with `refresh` on the main queue.
  void requestMic();
  // The microphone's state read now, without publishing it.
  Mic readMic() { return micService_->access(); }
  // Asks for Accessibility: where the desktop allows it, its accessibility support is switched on.
  // The answer comes with the next refresh.
  void requestAccessibility() { ax_->isProcessTrusted(true); }

 private:
  std::shared_ptr<ax::System> ax_;
  std::shared_ptr<platform::Microphone> micService_;
  bool accessibility_ = false;
  Mic mic_ = Mic::notAsked;
  std::optional<dispatch::RepeatingTimer> timer_;
  Observers<> observers_;
};

}  // namespace orvak
