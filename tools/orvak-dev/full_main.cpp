// orvak-dev-full: every workbench command, the ones that draw, sound or watch the desktop too.
#include <cstdio>
#include <string>

#include "tools/orvak-dev/commands.h"

namespace {

void printUsage() {
  std::printf("usage: orvak-dev COMMAND [ARGS]\n\ncommands:\n");
  for (const auto& c : orvak::dev::commands()) {
    std::printf("  %.*s %.*s\n      %.*s\n", int(c.name.size()), c.name.data(), int(c.usage.size()), c.usage.data(),
                int(c.summary.size()), c.summary.data());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    printUsage();
    return 0;
  }
  const std::string name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") {
    printUsage();
    return 0;
  }
  for (const auto& c : orvak::dev::commands()) {
    if (c.name == name) {
      return orvak::dev::run(c, orvak::dev::Args(argv + 2, argv + argc));
    }
  }
  std::fprintf(stderr, "orvak-dev: unknown command \"%s\"\n\n", name.c_str());
  printUsage();
  return 2;
}
