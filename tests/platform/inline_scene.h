// A simulated desktop from a scene written out in a test; its errors name "test.scene.json".
#pragma once

#include <memory>

#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"

namespace orvak::test {

inline std::shared_ptr<sim::SimDesktop> scene(const char* text) {
  return sim::SimDesktop::fromJson(json::parse(text), "test.scene.json");
}

}  // namespace orvak::test
