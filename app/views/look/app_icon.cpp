#include "app/views/look/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "app/views/look/painting.h"
#include "app/views/look/palette.h"

namespace orvak::look::AppIcon {
namespace {

// The square's drop shadow: blur 18, 6 px down, black at 30 %, blurred by stacking fading
// outlines (QPainter has no shadow of its own).
void paintShadow(QPainter& p, const QRectF& square, double radius) {
  constexpr int kSteps = 18;
  p.save();
  p.setPen(Qt::NoPen);
  for (int i = kSteps; i >= 1; --i) {
    const double grow = double(i);
    const double alpha = 0.3 * (1.0 - double(i) / (kSteps + 1)) / 6.0;
    p.setBrush(QColor::fromRgbF(0, 0, 0, float(alpha)));
    p.drawRoundedRect(square.translated(0, 6).adjusted(-grow, -grow, grow, grow), radius + grow, radius + grow);
  }
  p.restore();
}

}  // namespace

QImage render(int side) {
  QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(side / 512.0, side / 512.0);
  const QRectF square(50, 50, 412, 412);
  paintShadow(p, square, 92);
  p.setPen(Qt::NoPen);
  p.setBrush(rgb(0x14110D));
  p.drawRoundedRect(square, 92, 92);
  // The warm halo behind the orb.
  const QRectF haloRect(106, 106, 300, 300);
  QRadialGradient halo(haloRect.center(), haloRect.width() / 2);
  halo.setColorAt(0, rgb(0xF4B07C, 0.35));
  halo.setColorAt(1, rgb(0xF4B07C, 0));
  p.setBrush(halo);
  p.drawEllipse(haloRect);
  paintOrbBody(p, QRectF(146, 146, 220, 220));
  p.end();
  return img;
}

const QImage& image() {
  static const QImage icon = render(512);
  return icon;
}

}  // namespace orvak::look::AppIcon
