// Lengths as ICU takes them, shared by the files of core/text that call it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace orvak::text {

// ICU takes int32_t lengths; longer inputs (never seen in practice) are cut rather than wrapped.
inline std::int32_t clampedLength(std::string_view s) {
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(s.size() < kMax ? s.size() : kMax);
}

}  // namespace orvak::text
