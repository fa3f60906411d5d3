// Reading and writing whole files in tests, and the little-endian fields of their bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace orvak::test {

// The file's bytes; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Replaces the file's contents, creating its folder.
inline void writeFile(const std::filesystem::path& p, std::string_view bytes) {
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The unsigned 32-bit and signed 16-bit little-endian numbers at byte `at`, as a WAV header and
// its samples hold them.
inline std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline std::int16_t s16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::int16_t>(b[at] | (b[at + 1] << 8));
}

}  // namespace orvak::test
