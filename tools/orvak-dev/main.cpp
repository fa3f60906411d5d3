// orvak-dev: the workbench's front door. Commands that need no windows, sound or desktop run here,
// in a program that loads none of those libraries, so they start in a few milliseconds; every other
// command (and the listing) is handed to orvak-dev-full beside this program, which loads them all.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "tools/orvak-dev/commands.h"

namespace {

constexpr std::string_view fullName = "orvak-dev-full";

int runFull(int argc, char** argv) {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    std::fprintf(stderr, "orvak-dev: cannot find where it is installed: %s\n", ec.message().c_str());
    return 127;
  }
  const auto full = (self.parent_path() / fullName).string();
  std::vector<char*> args(argv, argv + argc);
  args.push_back(nullptr);
  ::execv(full.c_str(), args.data());
  std::fprintf(stderr, "orvak-dev: cannot start %s: %s\n", full.c_str(), std::strerror(errno));
  return 127;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2) {
    const std::string_view name = argv[1];
    for (const auto& c : orvak::dev::leanCommands()) {
      if (c.name == name) {
        return orvak::dev::run(c, orvak::dev::Args(argv + 2, argv + argc));
      }
    }
  }
  return runFull(argc, argv);
}
