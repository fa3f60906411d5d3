// Scene and capture-dump loading on any bytes: a scene loads or fails with SceneError, and a
// loaded desktop lists its windows.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvak;
  json::Json doc;
  try {
    doc = json::parse(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const json::DecodeError&) {
    return 0;
  }
  try {
    const auto desktop = sim::SimDesktop::fromJson(doc, "fuzz");
    (void)desktop->windows();
    (void)desktop->frontmost();
  } catch (const sim::SceneError&) {
  }
  return 0;
}
