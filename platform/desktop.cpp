#include "platform/desktop.h"

#include <cstdlib>
#include <string_view>

#include "core/base/json.h"
#include "core/base/log.h"
#include "platform/linux/atspi_desktop.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_workspace.h"

namespace orvak::platform {

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::shared_ptr<sim::SimDesktop> simulatedDesktop() {
  const std::string scene = env("ORVAK_SCENE");
  try {
    if (!scene.empty()) return sim::SimDesktop::load(scene);
    return sim::SimDesktop::fromJson(json::Json::parse(R"({"applications": []})"), "empty desktop");
  } catch (const sim::SceneError& e) {
    throw DesktopError(e.what());
  }
}

}  // namespace

Desktop makeDesktop() {
  const std::string kind = env("ORVAK_PLATFORM");
  if (kind == "sim") {
    auto desktop = simulatedDesktop();
    return {desktop, std::make_shared<sim::SimWorkspace>(desktop), std::make_shared<sim::SimEvents>(desktop), desktop,
            "sim"};
  }
  if (!kind.empty() && kind != "linux") {
    throw DesktopError("ORVAK_PLATFORM must be \"linux\" or \"sim\", not \"" + kind + "\"");
  }
  Desktop d;
  d.ax = std::make_shared<atspi::AtspiDesktop>();
  d.kind = "linux";
  // The X11 workspace and input backends are not here yet: simulated ones stand in.
  d.simulated = simulatedDesktop();
  d.workspace = std::make_shared<sim::SimWorkspace>(d.simulated);
  d.events = std::make_shared<sim::SimEvents>(d.simulated);
  d.kind = "linux+sim";
  Log::write("Desktop: no X11 workspace and input yet; simulated ones stand in");
  return d;
}

}  // namespace orvak::platform
