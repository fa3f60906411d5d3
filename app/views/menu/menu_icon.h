// The tray icon: the warm orb in an 18-unit square, glowing and pulsing while a read runs, dimmed
// with an orange badge when setup is missing. Drawn at any pixel size a tray asks for.
#pragma once

#include <QIcon>
#include <QImage>

#include "app/menu/menu_model.h"

namespace orvak::views::MenuIcon {

// The glow under the orb at a pulse phase: its outer radius (units) and its centre's alpha.
struct Glow {
  double radius;
  double alpha;
};
Glow glow(double phase);

// The icon at `side` x `side` pixels; `phase` only counts for a read.
QImage image(menu::Icon icon, double phase, int side);
// One icon holding the sizes trays ask for: 16, 22, 24, 32 and 48 pixels.
QIcon icon(menu::Icon icon, double phase);

}  // namespace orvak::views::MenuIcon
