// The three motion curves every window and the pill move with. Logic code names a curve by this
// enum; the views turn it into a Qt easing curve (app/views/look/curves.h).
#pragma once

namespace orvak {

enum class Curve {
  ease,   // state changes in the windows and the pill, the switch toggle
  leave,  // the pill hiding, the library's undo toast going
  enter,  // the pill appearing
};

// A cubic Bézier timing curve from (0, 0) to (1, 1) through two control points, and its duration.
struct CurveShape {
  double x1, y1, x2, y2;
  double seconds;
  bool operator==(const CurveShape&) const = default;
};

constexpr CurveShape shapeOf(Curve curve) {
  switch (curve) {
    case Curve::ease:
      return {0.2, 0.8, 0.2, 1.0, 0.3};
    case Curve::leave:
      return {0.4, 0.0, 1.0, 1.0, 0.26};
    case Curve::enter:
      return {0.2, 0.8, 0.2, 1.0, 0.5};
  }
  return {0.2, 0.8, 0.2, 1.0, 0.3};
}

}  // namespace orvak
