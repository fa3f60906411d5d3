// Opens the real window manager of the application on a desktop: the main window on a page, or
// the onboarding window. The application runs until it is quit (its menu's "Quit Orvak", or
// Ctrl+C), or for S seconds; closing the windows leaves it running, out of the task bar.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/controller/app_controller.h"
#include "app/shell/application.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {
constexpr const char* kUsage = "usage: orvak-dev windows [--page NAME] [--onboarding] [--scene SCENE.json] [--for S]\n";
}

int runWindows(const Args& args) {
  shell::Options options;
  options.singleInstance = false;
  std::optional<MainModel::Page> page;
  bool onboarding = false;
  try {
    const Options o(args, {"--page", "--scene", "--for"}, {"--onboarding"}, 0);
    if (const auto name = o.value("--page")) {
      page = MainModel::page(*name);
      if (!page)
        throw UsageError(
            "--page takes one of library, pages, listened, documents, account, general, voice, "
            "pronunciation, keys, advanced, help");
    }
    onboarding = o.flag("--onboarding");
    if (const auto scene = o.value("--scene")) options.scene = *scene;
    options.runFor = o.number("--for");
    if (options.runFor && *options.runFor <= 0) throw UsageError("--for takes seconds above 0");
  } catch (const UsageError& e) {
    std::fprintf(stderr, "orvak-dev windows: %s\n%s", e.what(), kUsage);
    return 2;
  }
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
    std::fprintf(stderr, "orvak-dev windows: needs a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
    return 1;
  }
  if (!page && !onboarding) page = MainModel::Page::library;
  options.onLaunched = [page, onboarding](AppController& app, sim::SimEvents*, sim::SimDesktop*) {
    if (!app.windows()) return;
    if (onboarding) app.windows()->showOnboarding();
    if (page) app.windows()->showMain(*page);
  };
  static char name[] = "orvak-dev";
  static char* argv[] = {name, nullptr};
  int argc = 1;
  return shell::run(argc, argv, {}, options);
}

}  // namespace orvak::dev
