#include <algorithm>
#include <cstdio>
#include <string>

#include "app/views/app_look.h"
#include "app/views/look/appearance.h"
#include "app/views/shots.h"
#include "tools/orvak-dev/gui_app.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {
namespace {

constexpr const char* kUsage =
    "usage: orvak-dev shot NAME [--dark] [--scale N] [the shot's options] OUT.png | --list\n";

std::string optionsOf(const views::Shot& s) {
  std::string out;
  for (const auto& v : s.valued) out += " [" + v + " X]";
  for (const auto& f : s.flags) out += " [" + f + "]";
  return out;
}

}  // namespace

// Renders a named drawn state to a PNG, offscreen, in the light or dark look.
int runShot(const Args& args) {
  if (args.size() == 1 && args[0] == "--list") {
    for (const auto& s : views::shots()) {
      std::printf("%-22s %s%s\n", s.name.c_str(), s.summary.c_str(), optionsOf(s).c_str());
    }
    return 0;
  }
  double scale = 1;
  std::string name, out;
  bool dark = false;
  views::ShotOptions extra;
  const views::Shot* shot = nullptr;
  try {
    // NAME comes first; the options a shot takes depend on the shot. OUT.png may stand before or
    // after them.
    if (args.empty() || args[0].rfind("--", 0) == 0) throw UsageError("NAME comes first");
    name = args[0];
    shot = views::findShot(name);
    if (shot == nullptr) {
      std::fprintf(stderr, "orvak-dev shot: no state named \"%s\" (orvak-dev shot --list)\n", name.c_str());
      return 2;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
      const std::string& a = args[i];
      const bool valued = a == "--scale" || std::count(shot->valued.begin(), shot->valued.end(), a) != 0;
      if (valued) {
        if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
        extra.values[a] = args[++i];
      } else if (a == "--dark" || std::count(shot->flags.begin(), shot->flags.end(), a) != 0) {
        extra.flags.insert(a);
      } else if (a.rfind("--", 0) != 0 && out.empty()) {
        out = a;
      } else {
        throw UsageError("\"" + a + "\" is not an option of " + name + ":" + optionsOf(*shot));
      }
    }
    if (out.empty()) throw UsageError("OUT.png is missing");
    dark = extra.flag("--dark");
    if (const auto v = extra.value("--scale")) {
      try {
        std::size_t used = 0;
        scale = std::stod(*v, &used);
        if (used != v->size()) throw UsageError("");
      } catch (const std::exception&) {
        throw UsageError("--scale takes a number above 0 and up to 8");
      }
    }
    if (!(scale > 0 && scale <= 8)) {
      throw UsageError("--scale takes a number above 0 and up to 8");
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "orvak-dev shot: %s\n%s", e.what(), kUsage);
    return 2;
  }
  const auto app = offscreenApp();
  // The look and the widgets' palette the application applies, so stock controls in a picture
  // are drawn as users see them.
  views::AppLook::apply(dark ? "dark" : "light");
  // Motion stays allowed so moving pieces show a moving frame; each shot pins its own instant.
  look::setReducedMotion(false);
  QImage image;
  try {
    image = shot->renderWith ? shot->renderWith(scale, extra) : shot->render(scale);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "orvak-dev shot: %s\n%s", e.what(), kUsage);
    return 2;
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "orvak-dev shot: %s\n%s", e.what(), kUsage);
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
