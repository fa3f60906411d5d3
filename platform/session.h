// The login session's events: the machine going to sleep and waking, the session becoming
// inactive (another user switched in), the screen locking, the screen saver starting.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace orvak::platform {

enum class SessionEvent { willSleep, didWake, sessionInactive, screenLocked, screenSaverStarted };

const char* name(SessionEvent event);  // "willSleep", "didWake", ...

class Session {
 public:
  virtual ~Session() = default;
  // `handler` hears every event on the main queue. Returns a token for `removeObserver`, or none
  // when this session's events cannot be watched.
  using Handler = std::function<void(SessionEvent)>;
  virtual std::optional<std::uint64_t> addObserver(Handler handler) = 0;
  // No call of that observer's handler starts after this returns.
  virtual void removeObserver(std::uint64_t token) = 0;
};

}  // namespace orvak::platform
