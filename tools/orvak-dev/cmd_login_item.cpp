// Turns the login item on or off for this executable (or one given) and shows the outcome: the log
// line and the autostart entry.
#include <cstdio>
#include <string>

#include "app/system/login_item.h"
#include "core/base/log.h"
#include "core/base/read_file.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

int runLoginItem(const Args& args) {
  bool on = false;
  LoginItem::Place place = LoginItem::current();
  try {
    const Options o(args, {"--exe"}, {});
    const std::string& word = o.plain()[0];
    if (word != "on" && word != "off") throw UsageError(word);
    on = word == "on";
    if (auto exe = o.value("--exe")) place.executable = *exe;
  } catch (const UsageError&) {
    std::fprintf(stderr, "usage: orvak-dev login-item on|off [--exe PATH]\n");
    return 2;
  }
  LoginItem::apply(on, place);  // the log line goes to standard error
  Log::flush();
  const auto file = place.autostartDir / LoginItem::kFileName;
  if (const auto text = readWholeFile(file)) {
    std::printf("%s:\n%s", file.c_str(), text->c_str());
  } else {
    std::printf("%s: none\n", file.c_str());
  }
  return 0;
}

}  // namespace orvak::dev
