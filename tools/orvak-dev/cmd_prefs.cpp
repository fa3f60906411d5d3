// Prints the settings as the application would load them from the user defaults: every stored
// value that is absent, of the wrong kind or out of range shows as its default.
#include <cstdio>

#include "app/prefs.h"
#include "core/base/json.h"
#include "core/base/log.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

int runPrefs(const Args& args) {
  if (!args.empty()) {
    std::fprintf(stderr, "usage: orvak-dev prefs\n");
    return 2;
  }
  const Prefs& p = Prefs::shared();
  json::Json out = {
      {"hotkeyCode", p.hotkeyCode()},
      {"vendor", p.vendor()},
      {"inworldVoice", p.inworldVoice()},
      {"cartesiaVoice", p.cartesiaVoice()},
      {"appleVoice", p.onDeviceVoice()},
      {"speed", p.speed()},
      {"alwaysOnListening", p.alwaysOnListening()},
      {"sound", p.sound()},
      {"onboardingDone", p.onboardingDone()},
      {"saveCaptures", p.saveCaptures()},
      {"highlightAsItReads", p.highlightAsItReads()},
      {"highlightWords", p.highlightWords()},
      {"focusMode", p.focusMode()},
      {"showInDock", p.showInDock()},
      {"appearance", p.appearance()},
      {"launchAtLogin", p.launchAtLogin()},
      {"rememberListening", p.rememberListening()},
      {"historyKeepDays", p.historyKeepDays()},
      {"studioVoice", p.studioVoice()},
      {"neverReadApps", p.neverReadApps()},
      {"pronunciations", p.pronunciations()},
      {Prefs::kDeveloperFlag, p.d->flag(Prefs::kDeveloperFlag)},
      {Prefs::kDebugControlFlag, p.d->flag(Prefs::kDebugControlFlag)},
  };
  const EngineConfig c = p.engineConfig();
  out["engineConfig"] = {{"inworldModel", c.inworldModel},   {"inworldVoice", c.inworldVoice},
                         {"cartesiaModel", c.cartesiaModel}, {"cartesiaVoice", c.cartesiaVoice},
                         {"cartesiaVersion", c.cartesiaVersion}, {"appleVoice", c.onDeviceVoice}};
  std::printf("%s\n", json::dumpPretty(out).c_str());
  Log::flush();  // loading may have logged a damaged settings file
  return 0;
}

}  // namespace orvak::dev
