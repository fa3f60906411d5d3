// Builds the application exactly as `orvak` does, against a simulated desktop scene, runs it for
// a while and lets its log lines through to standard error as they come.
#include <cstdio>
#include <string>

#include "app/shell/application.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

int runApp(const Args& args) {
  shell::Options options;
  options.singleInstance = false;  // the workbench never takes the session's instance
  try {
    const Options o(args, {"--for"}, {});
    options.scene = o.plain()[0];
    options.runFor = o.number("--for").value_or(2);
    if (*options.runFor < 0) throw UsageError("--for");
  } catch (const UsageError&) {
    std::fprintf(stderr, "usage: orvak-dev app SCENE.json [--for S]\n");
    return 2;
  }
  static char name[] = "orvak-dev";
  static char* argv[] = {name, nullptr};
  int argc = 1;
  return shell::run(argc, argv, {}, options);
}

}  // namespace orvak::dev
