// The voice vendors, the wording of their HTTP failures, the engine configuration and the raw PCM
// decoders: the shared vocabulary of the speech module.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/json_fwd.h"

namespace orvak {

enum class Vendor { inworld, cartesia, onDevice };

// Every vendor, in the order the system lists them.
std::span<const Vendor> allVendors();
// The vendors the user may choose; Cartesia only in developer mode.
std::vector<Vendor> offeredVendors(bool developer);

std::string_view rawValue(Vendor v);
// The stored names, exactly (the on-device vendor keeps its historical stored name); anything
// else, even a different capitalisation, is no vendor.
std::optional<Vendor> vendorFromRaw(std::string_view raw);
std::string_view label(Vendor v);
std::string_view displayName(Vendor v);
std::string_view blurb(Vendor v);
// The name its API key is kept under (see Keys); the on-device vendor has none.
std::optional<std::string_view> keyName(Vendor v);
bool needsNetwork(Vendor v);

void to_json(json::Json& j, Vendor v);
void from_json(const json::Json& j, Vendor& v);  // throws json::DecodeError for unknown names

namespace VendorError {
// The short text for a vendor's HTTP status, or nullopt outside the known ones.
std::optional<std::string> describe(int httpStatus);
}  // namespace VendorError

// The model and voice chosen for each vendor.
struct EngineConfig {
  std::string inworldModel = "inworld-tts-2-flash";
  std::string inworldVoice = "Ashley";
  std::string cartesiaModel = "sonic-3.6";
  std::string cartesiaVoice = "a0e99841-438c-4a64-b679-ae501e7d6091";
  std::string cartesiaVersion = "2026-08-14";
  std::string onDeviceVoice;  // empty: the on-device engine picks its best English voice
  bool operator==(const EngineConfig&) const = default;
};

// The account service's voice proxy: its streaming address and where the bearer token comes from
// (asked anew for every request). A read through it needs no key of the user's.
struct VoiceProxy {
  std::string url;
  std::function<std::optional<std::string>()> token;
};

namespace PCM {
// Little-endian 32-bit float samples; trailing bytes are ignored. Non-finite samples become 0
// and everything is clamped to [-1, 1], so a corrupt stream cannot blow up the mixer.
std::vector<float> fromFloat32LE(std::span<const std::uint8_t> bytes);
// Little-endian signed 16-bit samples scaled by 2^-15.
std::vector<float> fromInt16LE(std::span<const std::uint8_t> bytes);
}  // namespace PCM

}  // namespace orvak
