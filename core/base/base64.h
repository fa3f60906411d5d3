// Standard base64 (RFC 4648, with padding) for binary values carried in JSON text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvak::base64 {

std::string encode(const std::vector<std::uint8_t>& bytes);

// Strict: the length must be a multiple of four, padding only at the end, no other characters.
// Anything else gives nullopt.
std::optional<std::vector<std::uint8_t>> decode(std::string_view text);

}  // namespace orvak::base64
