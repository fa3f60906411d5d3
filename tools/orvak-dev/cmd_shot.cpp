#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/views/look/appearance.h"
#include "app/views/shots.h"
#include "tools/orvak-dev/gui_app.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

// Renders a named drawn state to a PNG, offscreen, in the light or dark look.
int runShot(const Args& args) {
  if (args.size() == 1 && args[0] == "--list") {
    for (const auto& s : views::shots()) {
      std::printf("%-22s %s%s\n", s.name.c_str(), s.summary.c_str(), s.usage.empty() ? "" : ("; " + s.usage).c_str());
    }
    return 0;
  }
  double scale = 1;
  std::string name, out;
  bool dark = false;
  // The picture's name comes first; it says which further options it takes.
  const views::Shot* shot = args.empty() ? nullptr : views::findShot(args[0]);
  if (!args.empty() && args[0].rfind("--", 0) != 0 && shot == nullptr) {
    std::fprintf(stderr, "orvak-dev shot: no state named \"%s\" (orvak-dev shot --list)\n", args[0].c_str());
    return 2;
  }
  views::ShotOptions extra;
  try {
    std::vector<std::string_view> valued{"--scale"}, flags{"--dark"};
    if (shot != nullptr) {
      valued.insert(valued.end(), shot->valued.begin(), shot->valued.end());
      flags.insert(flags.end(), shot->flags.begin(), shot->flags.end());
    }
    const Options opts(args, valued, flags, 2);
    name = opts.plain()[0];
    out = opts.plain()[1];
    dark = opts.flag("--dark");
    scale = opts.number("--scale").value_or(1.0);
    if (scale <= 0 || scale > 8) {
      throw UsageError("--scale takes a number above 0 and up to 8");
    }
    if (shot != nullptr) {
      for (const auto& v : shot->valued) {
        if (auto value = opts.value(v)) extra[v] = *value;
      }
      for (const auto& f : shot->flags) {
        if (opts.flag(f)) extra[f] = "";
      }
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "orvak-dev shot: %s\nusage: orvak-dev shot NAME OUT.png [--dark] [--scale N]%s | --list\n",
                 e.what(), shot != nullptr && !shot->usage.empty() ? (" " + shot->usage).c_str() : "");
    return 2;
  }
  if (shot == nullptr) shot = views::findShot(name);
  if (shot == nullptr) {
    std::fprintf(stderr, "orvak-dev shot: no state named \"%s\" (orvak-dev shot --list)\n", name.c_str());
    return 2;
  }
  const auto app = offscreenApp();
  look::setAppearance(dark ? look::Appearance::dark : look::Appearance::light);
  // Motion stays allowed so moving pieces show a moving frame; each shot pins its own instant.
  look::setReducedMotion(false);
  QImage image;
  try {
    image = shot->renderWith ? shot->renderWith(scale, extra) : shot->render(scale);
  } catch (const views::ShotOptionError& e) {
    std::fprintf(stderr, "orvak-dev shot: %s\n", e.what());
    return 2;
  }
  if (image.isNull() || !image.save(QString::fromStdString(out), "png")) {
    std::fprintf(stderr, "orvak-dev shot: could not write %s\n", out.c_str());
    return 1;
  }
  std::printf("wrote %s: %d x %d (%s)\n", out.c_str(), image.width(), image.height(), dark ? "dark" : "light");
  return 0;
}

}  // namespace orvak::dev
