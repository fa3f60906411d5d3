#include <cstdio>

#include "speech/on_device_engine.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

int runVoices(const Args&) {
  const auto voices = OnDeviceEngine::voices();
  if (voices.empty()) {
    std::fprintf(stderr, "no on-device voices: is espeak-ng-data installed?\n");
    return 1;
  }
  for (const auto& v : voices) std::printf("%-28s %s\n", v.id.c_str(), v.name.c_str());
  return 0;
}

}  // namespace orvak::dev
