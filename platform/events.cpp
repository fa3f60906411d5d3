#include "platform/events.h"

#include <array>
#include <utility>

namespace orvak::platform {

namespace {
constexpr std::array<std::pair<Modifiers::Key, const char*>, 7> kNames{{
    {Modifiers::shift, "shift"},
    {Modifiers::control, "control"},
    {Modifiers::option, "option"},
    {Modifiers::command, "command"},
    {Modifiers::function, "function"},
    {Modifiers::capsLock, "capsLock"},
    {Modifiers::numLock, "numLock"},
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

std::optional<Modifiers::Key> modifierOfKey(std::uint16_t keyCode) {
  switch (keyCode) {
    case 54: case 55: return Modifiers::command;
    case 56: case 60: return Modifiers::shift;
    case 58: case 61: return Modifiers::option;
    case 59: case 62: return Modifiers::control;
    case 63: return Modifiers::function;
    default: return std::nullopt;
  }
}

}  // namespace orvak::platform
