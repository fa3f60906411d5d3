// How the settings steer the capturer. The application controller calls this at launch and again
// after every settings change.
#pragma once

#include "app/capture/capturer.h"
#include "app/prefs.h"

namespace orvak {

// Dumps hold page text in plain form: they are written only while the user asked to save captures
// and the "developer" defaults flag is on.
inline bool captureDumpsWanted(const Prefs& prefs) {
  return prefs.saveCaptures() && prefs.d->flag(Prefs::kDeveloperFlag);
}

inline void applyCaptureSettings(Capturer& capturer, const Prefs& prefs) {
  capturer.saveDumps = captureDumpsWanted(prefs);
}

}  // namespace orvak
