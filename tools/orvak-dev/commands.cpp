#include "tools/orvak-dev/commands.h"

#include <vector>

namespace orvak::dev {

std::span<const Command> commands() {
  static const std::vector<Command> table{
  };
  return table;
}

}  // namespace orvak::dev
