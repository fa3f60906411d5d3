// Prints the two grants as the application reads them: Accessibility trust and the microphone.
#include <cstdio>
#include <memory>
#include <string>

#include "app/system/permissions.h"
#include "platform/desktop.h"
#include "platform/microphone.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_microphone.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {
const char* micName(Permissions::Mic m) {
  switch (m) {
    case Permissions::Mic::granted: return "granted";
    case Permissions::Mic::notAsked: return "notAsked";
    case Permissions::Mic::denied: return "denied";
  }
  return "?";
}
}  // namespace

int runPermissions(const Args& args) {
  std::optional<std::string> scene;
  try {
    const Options o(args, {}, {}, args.empty() ? 0 : 1);
    if (!o.plain().empty()) scene = o.plain()[0];
  } catch (const UsageError&) {
    std::fprintf(stderr, "usage: orvak-dev permissions [SCENE.json]\n");
    return 2;
  }
  if (scene) {
    // A simulated desktop: its trust, and a microphone that is there.
    auto perms = Permissions::make(sim::SimDesktop::load(*scene), std::make_shared<sim::SimMicrophone>());
    std::printf("ax=%s mic=%s\n", perms->accessibility() ? "true" : "false", micName(perms->mic()));
    return 0;
  }
  // The desktop the environment asks for (ORVAK_PLATFORM) and the sound server's microphone.
  auto perms = Permissions::make(platform::makeDesktop().ax, platform::makePulseMicrophone("orvak-dev"));
  std::printf("ax=%s mic=%s\n", perms->accessibility() ? "true" : "false", micName(perms->mic()));
  return 0;
}

}  // namespace orvak::dev
