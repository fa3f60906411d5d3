#include <cstdio>
#include <string>

#include "core/base/log.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

int runLog(const Args& args) {
  if (args.empty()) {
    std::fprintf(stderr, "usage: orvak-dev log MESSAGE\n");
    return 2;
  }
  std::string message;
  for (const auto& a : args) message += (message.empty() ? "" : " ") + a;
  Log::write(message);
  Log::flush();
  std::printf("%s\n", Log::url().c_str());
  return 0;
}

}  // namespace orvak::dev
