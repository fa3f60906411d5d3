#include "tools/orvak-dev/commands.h"

#include <vector>

namespace orvak::dev {

int runLog(const Args& args);
int runSplit(const Args& args);
int runSpoken(const Args& args);

std::span<const Command> commands() {
  static const std::vector<Command> table{
      {"log", "MESSAGE", "append one line to the text log and print the log's path", runLog},
      {"split", "FILE [--max N]", "print the sentences of a text file, one per line", runSplit},
      {"spoken", "TEXT", "print what the voice is given for one sentence", runSpoken},
  };
  return table;
}

}  // namespace orvak::dev
