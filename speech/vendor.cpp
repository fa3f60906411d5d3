#include "speech/vendor.h"
#include "core/base/json.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace orvak {

namespace {
constexpr std::array kAll{Vendor::inworld, Vendor::cartesia, Vendor::onDevice};
// The on-device vendor's stored value. Settings, timing records, saved items and the control
// channel have always written and accepted this word; it must not change with the vendor's name.
constexpr std::string_view kOnDeviceStored = "apple";
}

std::span<const Vendor> allVendors() { return kAll; }

std::vector<Vendor> offeredVendors(bool developer) {
  if (developer) return {Vendor::inworld, Vendor::cartesia, Vendor::onDevice};
  return {Vendor::inworld, Vendor::onDevice};
}

std::string_view rawValue(Vendor v) {
  switch (v) {
    case Vendor::inworld: return "inworld";
    case Vendor::cartesia: return "cartesia";
    case Vendor::onDevice: return kOnDeviceStored;
  }
  return kOnDeviceStored;
}

std::optional<Vendor> vendorFromRaw(std::string_view raw) {
  for (Vendor v : kAll) {
    if (rawValue(v) == raw) return v;
  }
  return std::nullopt;
}

std::string_view label(Vendor v) {
  switch (v) {
    case Vendor::inworld: return "Inworld TTS-2 Flash";
    case Vendor::cartesia: return "Cartesia Sonic";
    case Vendor::onDevice: return "espeak-ng (offline)";
  }
  return "";
}

std::string_view displayName(Vendor v) {
  switch (v) {
    case Vendor::inworld: return "Natural";
    case Vendor::cartesia: return "Natural (alternate)";
    case Vendor::onDevice: return "On-device";
  }
  return "";
}

std::string_view blurb(Vendor v) {
  switch (v) {
    case Vendor::inworld:
    case Vendor::cartesia: return "Our most lifelike voice. Streams over the internet.";
    case Vendor::onDevice: return "Runs on this computer. Works offline.";
  }
  return "";
}

std::optional<std::string_view> keyName(Vendor v) {
  switch (v) {
    case Vendor::inworld: return "inworld";
    case Vendor::cartesia: return "cartesia";
    case Vendor::onDevice: return std::nullopt;
  }
  return std::nullopt;
}

bool needsNetwork(Vendor v) { return v != Vendor::onDevice; }

void to_json(json::Json& j, Vendor v) { j = std::string(rawValue(v)); }

void from_json(const json::Json& j, Vendor& v) {
  if (!j.is_string()) throw json::DecodeError("vendor: expected a string");
  const auto found = vendorFromRaw(j.get_ref<const std::string&>());
  if (!found) throw json::DecodeError("vendor: unknown \"" + j.get<std::string>() + "\"");
  v = *found;
}

namespace VendorError {
std::optional<std::string> describe(int status) {
  if (status == 401 || status == 403) return "API key rejected";
  if (status == 402) return "account out of credits";
  if (status == 429) return "rate limited";
  if (status >= 500 && status <= 599) return "vendor outage";
  return std::nullopt;
}
}  // namespace VendorError

namespace PCM {

std::vector<float> fromFloat32LE(std::span<const std::uint8_t> bytes) {
  std::vector<float> out(bytes.size() / 4);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::uint8_t* b = bytes.data() + i * 4;
    const std::uint32_t bits = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                               std::uint32_t(b[3]) << 24;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    out[i] = std::isfinite(f) ? std::clamp(f, -1.0f, 1.0f) : 0.0f;
  }
  return out;
}

std::vector<float> fromInt16LE(std::span<const std::uint8_t> bytes) {
  std::vector<float> out(bytes.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto v = static_cast<std::int16_t>(std::uint16_t(bytes[i * 2]) | std::uint16_t(bytes[i * 2 + 1]) << 8);
    out[i] = static_cast<float>(v) / 32768.0f;
  }
  return out;
}

}  // namespace PCM

}  // namespace orvak
