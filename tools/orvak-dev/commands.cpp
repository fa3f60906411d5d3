#include "tools/orvak-dev/commands.h"

#include <vector>

namespace orvak::dev {

int runLog(const Args& args);

std::span<const Command> commands() {
  static const std::vector<Command> table{
      {"log", "MESSAGE", "append one line to the text log and print the log's path", runLog},
  };
  return table;
}

}  // namespace orvak::dev
