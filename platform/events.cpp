#include "platform/events.h"

#include <array>
#include <utility>

namespace orvak::platform {

namespace {
constexpr std::array<std::pair<Modifiers::Key, const char*>, 5> kNames{{
    {Modifiers::shift, "shift"},
    {Modifiers::control, "control"},
    {Modifiers::option, "option"},
    {Modifiers::command, "command"},
    {Modifiers::function, "function"},
}};
}  // namespace

std::vector<std::string> Modifiers::names() const {
  std::vector<std::string> out;
  for (const auto& [key, name] : kNames) {
    if (has(key)) out.emplace_back(name);
  }
  return out;
}

Modifiers Modifiers::fromNames(const std::vector<std::string>& names) {
  Modifiers m;
  for (const auto& n : names) {
    for (const auto& [key, name] : kNames) {
      if (n == name) m.bits_ |= key;
    }
  }
  return m;
}

}  // namespace orvak::platform
