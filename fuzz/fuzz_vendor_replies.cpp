// The cloud voices' replies on any bytes: one Inworld response line, one Cartesia message.
// Decoding never throws; what it yields is what the engines hand to the player.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/base/json.h"
#include "speech/vendor_replies.h"

namespace {

void checkSamples(const std::vector<float>& samples) {
  for (const float s : samples) {
    if (!std::isfinite(s) || s < -1.0f || s > 1.0f) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvak;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto line = InworldReply::parse(text); line && line->samples) checkSamples(*line->samples);
  json::Json message;
  try {
    message = json::parse(text);
  } catch (const json::DecodeError&) {
    return 0;
  }
  checkSamples(CartesiaReply::parse(message).samples);
  return 0;
}
