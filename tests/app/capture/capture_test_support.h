// Scenes and a virtual-time harness for the capture and click-tracking tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "app/capture/capturer.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/timing.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_workspace.h"

namespace orvak::test {

using json::Json;

// A paragraph the cleaner keeps.
inline Json para(const std::string& text, const std::string& ref = "") {
  Json p = {{"role", "AXStaticText"}, {"value", text}};
  if (!ref.empty()) p["ref"] = ref;
  return p;
}

inline const std::string kRiver =
    "No river runs straight for long. A small bend, once started, feeds itself and grows.";
inline const std::string kLake =
    "Oxbow lakes form where a loop is finally cut off from the river that made it.";

// A web page area holding `children`.
inline Json webArea(Json children, const std::string& url = "https://example.org/rivers") {
  return {{"ref", "page"}, {"role", "AXWebArea"}, {"url", url}, {"children", std::move(children)}};
}

// One application (ref "app", pid 100 unless given) whose one window "win" holds `children`;
// `top` adds top-level scene keys.
inline Json sceneWith(Json app, Json children, Json top = Json::object()) {
  app["ref"] = "app";
  if (!app.contains("pid")) app["pid"] = 100;
  if (!app.contains("name")) app["name"] = "Reader";
  app["windows"] = Json::array(
      {{{"ref", "win"}, {"title", "Rivers"}, {"frame", {0, 0, 1000, 800}}, {"children", std::move(children)}}});
  top["applications"] = Json::array({std::move(app)});
  return top;
}

inline Json chromium() {
  return {{"name", "Chrome"}, {"bundleId", "com.google.Chrome"}, {"frameworks", {"Google Chrome Framework.framework"}}};
}

// A simulated desktop, its capturer and a way to run one capture to the end in virtual time.
struct CaptureHarness {
  dispatch::VirtualTime vt;
  std::shared_ptr<sim::SimDesktop> desktop;
  std::shared_ptr<sim::SimEvents> events;
  std::shared_ptr<Capturer> capturer;

  explicit CaptureHarness(const Json& scene)
      : desktop(sim::SimDesktop::fromJson(scene)),
        events(std::make_shared<sim::SimEvents>(desktop)),
        capturer(Capturer::make(desktop, std::make_shared<sim::SimWorkspace>(desktop), events)) {}

  CaptureOutcome capture() {
    std::optional<CaptureOutcome> out;
    capturer->capture(Clock::now(), [&](CaptureOutcome o) { out = std::move(o); });
    vt.drain();
    if (!out) throw std::logic_error("the capture never answered");
    return *out;
  }

  // The capture, failing the test when it gave an error.
  Capture page() {
    auto out = capture();
    if (const auto* e = std::get_if<CaptureError>(&out)) {
      ADD_FAILURE() << "capture failed: " << e->description();
      return {};
    }
    return std::get<Capture>(out);
  }

  CaptureError error() {
    auto out = capture();
    if (const auto* e = std::get_if<CaptureError>(&out)) return *e;
    ADD_FAILURE() << "capture succeeded: " << std::get<Capture>(out).clean.text;
    return {};
  }
};

}  // namespace orvak::test
