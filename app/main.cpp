// orvak: the application. Arguments are links to open (orvak://...); a second start hands them
// to the running instance and ends. A developer option (--trigger, --export-iconset,
// --render-voice, --export-brand, --control) runs its mode instead.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/shell/application.h"
#include "app/shell/developer_modes.h"

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const auto code = orvak::shell::runDeveloperMode(argc, argv, args)) return *code;
    return orvak::shell::run(argc, argv, args, {});
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvak: %s\n", e.what());
    return 1;
  }
}
