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

// Every subcommand, in the order `orvak-dev` lists them. Only the full workbench (orvak-dev-full)
// holds them all.
std::span<const Command> commands();

// The subcommands that need no windows, sound or desktop: `orvak-dev` runs these itself, without
// loading Qt, the sound server's client or the recogniser, and hands every other one to
// orvak-dev-full beside it.
std::span<const Command> leanCommands();

// Runs one command; an exception it throws is printed as "orvak-dev NAME: what" and gives 1.
int run(const Command& command, const Args& args);

// The desktop the environment asks for (the real one unless ORVAK_PLATFORM=sim), after waiting
// `afterSeconds` so the user can bring a window to the front; prints what it is on standard
// error. None, with the reason printed, when it cannot be had or is not trusted.
std::optional<platform::Desktop> frontDesktop(double afterSeconds);

}  // namespace orvak::dev
