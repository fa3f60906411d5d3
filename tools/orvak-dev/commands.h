// orvak-dev: the developer workbench. Each subcommand runs one stage of the system on real input.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop.h"

namespace orvak::dev {

using Args = std::vector<std::string>;

struct Command {
  std::string_view name;
  std::string_view usage;    // arguments, e.g. "FILE [--text]"
  std::string_view summary;  // one line
  int (*run)(const Args& args);
};

// Every subcommand, in the order `orvak-dev` lists them.
std::span<const Command> commands();

// The desktop the environment asks for (the real one unless ORVAK_PLATFORM=sim), after waiting
// `afterSeconds` so the user can bring a window to the front; prints what it is on standard
// error. None, with the reason printed, when it cannot be had or is not trusted.
std::optional<platform::Desktop> frontDesktop(double afterSeconds);

}  // namespace orvak::dev
