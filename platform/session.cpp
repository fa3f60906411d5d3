#include "platform/session.h"

namespace orvak::platform {

const char* name(SessionEvent event) {
  switch (event) {
    case SessionEvent::willSleep: return "willSleep";
    case SessionEvent::didWake: return "didWake";
    case SessionEvent::sessionInactive: return "sessionInactive";
    case SessionEvent::screenLocked: return "screenLocked";
    case SessionEvent::screenSaverStarted: return "screenSaverStarted";
  }
  return "?";
}

}  // namespace orvak::platform
