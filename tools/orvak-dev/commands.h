// orvak-dev: the developer workbench. Each subcommand runs one stage of the system on real input.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace orvak::dev
