#include "app/views/menu/menu_icon.h"

#include <QPainter>
#include <QRadialGradient>
#include <cmath>

#include "app/views/look/painting.h"
#include "app/views/look/palette.h"

namespace orvak::views::MenuIcon {

namespace {
constexpr double kUnits = 18;
const QColor kWarm(244, 176, 124);
const QColor kBadge(229, 138, 92);

QColor warm(double alpha) {
  QColor c = kWarm;
  c.setAlphaF(float(alpha));
  return c;
}
}  // namespace

Glow glow(double phase) {
  const double t = (1 - std::cos(2 * M_PI * phase)) / 2;
  return {7.8 + 1.2 * t, 0.55 + 0.4 * t};
}

QImage image(menu::Icon icon, double phase, int side) {
  QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(side / kUnits, side / kUnits);
  const QPointF centre(9, 9);
  if (icon == menu::Icon::reading) {
    const Glow g = glow(phase);
    QRadialGradient grad(centre, g.radius);
    grad.setColorAt(0, warm(g.alpha));
    grad.setColorAt(0.55, warm(0.35 * g.alpha));
    grad.setColorAt(1, warm(0));
    p.setPen(Qt::NoPen);
    p.setBrush(grad);
    p.drawEllipse(centre, g.radius, g.radius);  // nothing beyond the gradient's ends
  }
  const QRectF orb(3, 3, 12, 12);
  p.save();
  if (icon == menu::Icon::needsSetup) p.setOpacity(0.5);
  look::paintOrbBody(p, orb);
  QColor rim(Qt::white);
  rim.setAlphaF(0.22f);
  p.setPen(QPen(rim, 0.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(orb.adjusted(0.25, 0.25, -0.25, -0.25));
  p.restore();
  if (icon == menu::Icon::needsSetup) {
    const QRectF badge(12, 12, 4.6, 4.6);
    // A clear ring around the badge sets it off from the orb.
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(badge.adjusted(-1, -1, 1, 1));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setBrush(kBadge);
    p.drawEllipse(badge);
  }
  return img;
}

QIcon icon(menu::Icon icon, double phase) {
  QIcon result;
  for (const int side : {16, 22, 24, 32, 48}) result.addPixmap(QPixmap::fromImage(image(icon, phase, side)));
  return result;
}

}  // namespace orvak::views::MenuIcon
