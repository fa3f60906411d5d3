#include "platform/desktop.h"

#include <cstdlib>
#include <string_view>

#include "core/base/json.h"
#include "core/base/log.h"
#include "platform/linux/atspi_desktop.h"
#include "platform/linux/x11_events.h"
#include "platform/linux/x11_workspace.h"
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
  if (!env("DISPLAY").empty()) {
    d.workspace = x11::X11Workspace::open();
    d.events = x11::X11Events::open();
  }
  if (d.workspace && d.events) return d;
  // Without an X display (a Wayland session without XWayland, a console) nothing tells the front
  // window or watches the keyboard: the simulated workspace and events stand in.
  d.simulated = simulatedDesktop();
  if (!d.workspace) d.workspace = std::make_shared<sim::SimWorkspace>(d.simulated);
  if (!d.events) d.events = std::make_shared<sim::SimEvents>(d.simulated);
  d.kind = "linux+sim";
  Log::write("Desktop: no X display with XInput 2; simulated workspace and input stand in");
  return d;
}

}  // namespace orvak::platform
