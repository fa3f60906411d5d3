// The tray icon: a monochrome orb in an 18-unit square, as the status icons of GNOME and KDE
// panels are, drawn dark on a light panel and light on a dark one. A ring around it pulses while
// a read runs; when setup is missing it is dimmed and carries a warm badge. Drawn at any pixel
// size a tray asks for.
#pragma once

#include <QIcon>
#include <QImage>
#include <string_view>

#include "app/menu/menu_model.h"
#include "app/views/look/appearance.h"

namespace orvak::views::menu::MenuIcon {

// The panel the icon stands on.
enum class Panel { light, dark };

// The panel a desktop shows status icons on. `desktop` is XDG_CURRENT_DESKTOP (names joined by
// ":"), `scheme` the colour scheme the desktop's portal states, if it states one.
Panel panelFor(std::string_view desktop, std::optional<look::Appearance> scheme);

// The glyph's colour and the badge's on a panel, and a panel's usual colour (for pictures and
// checks: the desktop's own may differ a little).
QColor glyphColour(Panel panel);
QColor panelColour(Panel panel);
QColor badgeColour(Panel panel);

// The ring around the orb at a pulse phase: its outer radius (units) and its alpha.
struct Glow {
  double radius;
  double alpha;
};
Glow glow(double phase);

// The icon at `side` x `side` pixels; `phase` only counts for a read.
QImage image(orvak::menu::Icon icon, double phase, int side, Panel panel);
// One icon holding the sizes trays ask for: 16, 22, 24, 32 and 48 pixels.
QIcon icon(orvak::menu::Icon icon, double phase, Panel panel);

}  // namespace orvak::views::menu::MenuIcon
