#include "app/views/menu/menu_icon.h"

#include <QPainter>
#include <QString>
#include <cmath>

#include "app/views/look/palette.h"

namespace orvak::views::menu::MenuIcon {

namespace {
constexpr double kUnits = 18;
constexpr double kOrbRadius = 5.5;
constexpr double kRingWidth = 1.1;
}  // namespace

Panel panelFor(std::string_view desktop, std::optional<look::Appearance> scheme) {
  bool gnomeShell = false, classic = false;
  for (const QString& name : QString::fromUtf8(desktop.data(), qsizetype(desktop.size())).split(':')) {
    const QString n = name.trimmed().toLower();
    // GNOME's top bar, and the bars of the desktops built on its shell, are dark in either
    // scheme; its Classic session has a light one.
    if (n == "gnome" || n == "unity" || n == "budgie" || n == "pantheon") gnomeShell = true;
    if (n == "gnome-classic") classic = true;
  }
  if (classic) return Panel::light;
  if (gnomeShell) return Panel::dark;
  // Other panels (KDE's above all) follow the desktop's scheme; without one, dark panels are the
  // commoner default.
  return scheme == look::Appearance::light ? Panel::light : Panel::dark;
}

QColor glyphColour(Panel panel) {
  return look::Margin::ink.resolve(panel == Panel::dark ? look::Appearance::dark : look::Appearance::light);
}

QColor panelColour(Panel panel) { return panel == Panel::dark ? QColor(0x1D, 0x1D, 0x1D) : QColor(0xEF, 0xF0, 0xF1); }

QColor badgeColour(Panel panel) {
  // The warm orange of the look; a deeper burnt orange on a light panel, where the bright one
  // would barely show.
  return panel == Panel::dark ? look::Orbit::glowBottom.color() : look::Orbit::barTop.resolve(look::Appearance::dark);
}

Glow glow(double phase) {
  const double t = (1 - std::cos(2 * M_PI * phase)) / 2;
  return {7.8 + 1.2 * t, 0.55 + 0.4 * t};
}

QImage image(orvak::menu::Icon icon, double phase, int side, Panel panel) {
  QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(side / kUnits, side / kUnits);
  const QPointF centre(9, 9);
  const QColor ink = glyphColour(panel);
  p.setPen(Qt::NoPen);
  if (icon == orvak::menu::Icon::reading) {
    const Glow g = glow(phase);
    QColor ring = ink;
    ring.setAlphaF(float(g.alpha));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ring, kRingWidth));
    const double r = g.radius - kRingWidth / 2;  // the ring's outer edge at the glow's radius
    p.drawEllipse(centre, r, r);
    p.setPen(Qt::NoPen);
  }
  p.save();
  if (icon == orvak::menu::Icon::needsSetup) p.setOpacity(0.5);
  p.setBrush(ink);
  p.drawEllipse(centre, kOrbRadius, kOrbRadius);
  p.restore();
  if (icon == orvak::menu::Icon::needsSetup) {
    const QRectF badge(12, 12, 4.6, 4.6);
    // A clear ring around the badge sets it off from the orb.
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setBrush(Qt::black);
    p.drawEllipse(badge.adjusted(-1, -1, 1, 1));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setBrush(badgeColour(panel));
    p.drawEllipse(badge);
  }
  return img;
}

QIcon icon(orvak::menu::Icon icon, double phase, Panel panel) {
  QIcon result;
  for (const int side : {16, 22, 24, 32, 48}) result.addPixmap(QPixmap::fromImage(image(icon, phase, side, panel)));
  return result;
}

}  // namespace orvak::views::menu::MenuIcon
