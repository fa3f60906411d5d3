#include "app/views/look/painting.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>

#include "app/views/look/motion.h"
#include "app/views/look/palette.h"

namespace orvak::look {

void paintCard(QPainter& p, const QRectF& rect, double radius) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(Margin::card.color());
  p.drawRoundedRect(rect, radius, radius);
  // An inside border: the stroke's centre line is half its width inside the edge.
  const double w = 0.5;
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Margin::line.color(), w));
  p.drawRoundedRect(rect.adjusted(w / 2, w / 2, -w / 2, -w / 2), radius - w / 2, radius - w / 2);
  p.restore();
}

QRectF markedBand(const QRectF& text) {
  return {text.x() - 3, text.y() + 0.36 * text.height(), text.width() + 6, 0.6 * text.height()};
}

void paintMarked(QPainter& p, const QRectF& text) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(Margin::markerBand.color());
  p.drawRoundedRect(markedBand(text), 2, 2);
  p.restore();
}

QPainterPath squigglePath(const QRectF& rect) {
  QPainterPath path(QPointF(rect.left(), rect.center().y()));
  double x = rect.left();
  bool top = true;
  while (x < rect.right()) {
    const double end = std::min(x + 4, rect.right());
    path.quadTo(QPointF(x + 2, top ? rect.top() : rect.bottom()), QPointF(end, rect.center().y()));
    top = !top;
    x += 4;
  }
  return path;
}

void paintShine(QPainter& p, const QRectF& rect, double t) {
  const double width = 0.6 * rect.width();
  const double left = rect.left() + shineOffset(t) * rect.width();
  QLinearGradient g(QPointF(left, 0), QPointF(left + width, 0));
  g.setColorAt(0, QColor(255, 255, 255, 0));
  g.setColorAt(0.5, QColor(255, 255, 255, qRound(0.28 * 255)));
  g.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(QRectF(left, rect.top(), width, rect.height()).intersected(rect), g);
}

void paintOrbBody(QPainter& p, const QRectF& rect) {
  const QPointF centre(rect.center().x() - 0.36 * rect.width() / 2, rect.center().y() - 0.4 * rect.height() / 2);
  // The gradient reaches the far edge of the oval from its off-centre light.
  const double radius = QLineF(centre, rect.bottomRight()).length() * 0.92;
  QRadialGradient g(centre, radius);
  for (std::size_t i = 0; i < Orbit::orb.size(); ++i) {
    g.setColorAt(Orbit::orbStops[i], rgb(Orbit::orb[i]));
  }
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(rect);
  p.restore();
}

void paintSmallOrb(QPainter& p, QPointF centre, double saturation) {
  const QRectF orb(centre.x() - 7, centre.y() - 7, 14, 14);
  QRadialGradient grad(orb.topLeft() + QPointF(0.32 * 14, 0.3 * 14), 9);
  for (std::size_t i = 0; i < Orbit::orb.size(); ++i) {
    QColor c = rgb(Orbit::orb[i]);
    if (saturation < 1) c = QColor::fromHsvF(c.hsvHueF(), c.hsvSaturationF() * float(saturation), c.valueF());
    grad.setColorAt(Orbit::orbStops[i], c);
  }
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(grad);
  p.drawEllipse(orb);
  p.restore();
}

}  // namespace orvak::look
