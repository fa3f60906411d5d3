// Builds the application exactly as `orvak` does, against a simulated desktop scene, and either
// runs it for a while or reads the front window through a double tap on the simulated keyboard.
// Log lines go to standard error as they come; heard sentences to standard output.
#include <cstdio>
#include <string>

#include "app/controller/app_controller.h"
#include "app/shell/application.h"
#include "core/base/dispatch.h"
#include "platform/sim/sim_events.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

constexpr const char* kUsage = "usage: orvak-dev app SCENE.json [--for S] [--read [--stop-after S] [--mute]]\n";

// Seconds after launch before the first double tap: the launch's own work is done by then.
constexpr double kFirstTapDelay = 0.5;

double now() { return static_cast<double>(dispatch::monotonicNanos()) / 1e9; }

void doubleTap(sim::SimEvents& keys, std::uint16_t key) {
  const double t = now();
  keys.press(key, t + 0.01);
  keys.release(key, t + 0.06);
  keys.press(key, t + 0.15);
  keys.release(key, t + 0.20);
}

}  // namespace

int runApp(const Args& args) {
  shell::Options options;
  options.singleInstance = false;  // the workbench never takes the session's instance
  bool read = false, mute = false;
  std::optional<double> stopAfter;
  try {
    const Options o(args, {"--for", "--stop-after"}, {"--read", "--mute"});
    options.scene = o.plain()[0];
    read = o.flag("--read");
    mute = o.flag("--mute");
    stopAfter = o.number("--stop-after");
    if (stopAfter && *stopAfter <= 0) throw UsageError("--stop-after");
    if (!read && (stopAfter || mute)) throw UsageError("--read");
    if (!read) options.runFor = o.number("--for").value_or(2);
    if (options.runFor && *options.runFor < 0) throw UsageError("--for");
  } catch (const UsageError&) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  int status = 0;
  if (read) {
    options.onLaunched = [&](AppController& app, sim::SimEvents* keyboard) {
      sim::SimEvents& keys = *keyboard;  // a scene's desktop always has the simulated keyboard
      app.baseReadOptions.mute = mute;
      const std::uint16_t key = app.tap() ? app.tap()->choice().keyCode : 60;
      auto shown = std::make_shared<int>(0);
      auto stopping = std::make_shared<bool>(false);
      app.onReadState = [&keys, key, shown, stopping, stopAfter](const std::shared_ptr<Player>& player, const PlayerState& s) {
        if (s.ended || s.sentence == *shown) return;
        const auto text = player->playingText();
        if (!text) return;  // nothing heard yet
        if (*shown == 0 && stopAfter && !*stopping) {
          *stopping = true;
          dispatch::main().asyncAfter(*stopAfter, [&keys, key] { doubleTap(keys, key); });
        }
        *shown = s.sentence;
        std::printf("[%d/%d] %s\n", s.sentence, s.total, text->c_str());
        std::fflush(stdout);
      };
      app.onReadEnd = [&status](const ReadTiming& t) {
        if (t.endedBy == "error" || t.endedBy == "captureError") status = 1;
        dispatch::main().async([] { shell::quit(); });
      };
      dispatch::main().asyncAfter(kFirstTapDelay, [&keys, key] { doubleTap(keys, key); });
    };
  }
  static char name[] = "orvak-dev";
  static char* argv[] = {name, nullptr};
  int argc = 1;
  const int rc = shell::run(argc, argv, {}, options);
  return rc != 0 ? rc : status;
}

}  // namespace orvak::dev
