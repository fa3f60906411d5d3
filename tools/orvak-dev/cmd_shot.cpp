#include <cstdio>
#include <string>

#include "app/views/look/appearance.h"
#include "app/views/shots.h"
#include "tools/orvak-dev/gui_app.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

// Renders a named drawn state to a PNG, offscreen, in the light or dark look.
int runShot(const Args& args) {
  if (args.size() == 1 && args[0] == "--list") {
    for (const auto& s : views::shots()) {
      std::printf("%-22s %s\n", s.name.c_str(), s.summary.c_str());
    }
    return 0;
  }
  double scale = 1;
  std::string name, out;
  bool dark = false;
  try {
    const Options opts(args, {"--scale", "--phase", "--page", "--ax", "--items"},
                       {"--dark", "--developer", "--no-notes", "--onboarding-done"}, 2);
    auto& extra = views::shotOptions();
    for (const char* v : {"phase", "page", "ax", "items"}) {
      if (const auto value = opts.value(std::string("--") + v)) extra.values[v] = *value;
    }
    for (const char* f : {"developer", "no-notes", "onboarding-done"}) {
      if (opts.flag(std::string("--") + f)) extra.flags.insert(f);
    }
    name = opts.plain()[0];
    out = opts.plain()[1];
    dark = opts.flag("--dark");
    scale = opts.number("--scale").value_or(1.0);
    if (scale <= 0 || scale > 8) {
      throw UsageError("--scale takes a number above 0 and up to 8");
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "orvak-dev shot: %s\nusage: orvak-dev shot NAME OUT.png [--dark] [--scale N] [--phase P] [--page PAGE] [--developer] [--no-notes] [--ax off] [--onboarding-done] [--items N] | --list\n",
                 e.what());
    return 2;
  }
  const auto* shot = views::findShot(name);
  if (shot == nullptr) {
    std::fprintf(stderr, "orvak-dev shot: no state named \"%s\" (orvak-dev shot --list)\n", name.c_str());
    return 2;
  }
  const auto app = offscreenApp();
  look::setAppearance(dark ? look::Appearance::dark : look::Appearance::light);
  // Motion stays allowed so moving pieces show a moving frame; each shot pins its own instant.
  look::setReducedMotion(false);
  const QImage image = shot->render(scale);
  if (image.isNull() || !image.save(QString::fromStdString(out), "png")) {
    std::fprintf(stderr, "orvak-dev shot: could not write %s\n", out.c_str());
    return 1;
  }
  std::printf("wrote %s: %d x %d (%s)\n", out.c_str(), image.width(), image.height(), dark ? "dark" : "light");
  return 0;
}

}  // namespace orvak::dev
