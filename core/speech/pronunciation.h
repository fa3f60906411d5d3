// A user's pronunciation rule: where `written` appears, the voice says `spoken`.
#pragma once

#include <string>

#include "core/base/json.h"

namespace orvak {

struct Pronunciation {
  std::string written;
  std::string spoken;
  bool operator==(const Pronunciation&) const = default;
};

void fields(json::Record<Pronunciation> auto& p, auto&& f) {
  f("written", p.written);
  f("spoken", p.spoken);
}

inline void to_json(json::Json& j, const Pronunciation& p) { json::writeFields(j, p); }
inline void from_json(const json::Json& j, Pronunciation& p) { json::readFields(j, p); }

}  // namespace orvak

template <>
struct std::hash<orvak::Pronunciation> {
  std::size_t operator()(const orvak::Pronunciation& p) const noexcept {
    const std::size_t a = std::hash<std::string>{}(p.written);
    return a ^ (std::hash<std::string>{}(p.spoken) + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2));
  }
};
