#include "app/views/look/curves.h"

#include <QPointF>
#include <cmath>

namespace orvak::look {

QEasingCurve easing(Curve curve) {
  const auto s = shapeOf(curve);
  QEasingCurve out(QEasingCurve::BezierSpline);
  out.addCubicBezierSegment(QPointF(s.x1, s.y1), QPointF(s.x2, s.y2), QPointF(1, 1));
  return out;
}

int durationMs(Curve curve) { return int(std::lround(shapeOf(curve).seconds * 1000)); }

}  // namespace orvak::look
