#include "app/views/pill/pill_motion.h"

#include <QEasingCurve>
#include <algorithm>
#include <cmath>

namespace orvak::views::pill {
namespace {

double easeOut(double p) { return QEasingCurve(QEasingCurve::OutQuad).valueForProgress(std::clamp(p, 0.0, 1.0)); }

}  // namespace

Ring orbPing(double elapsed) {
  const double p = easeOut(elapsed / 0.7);
  return {1 + 1.1 * p, 0.8 * (1 - p)};
}

Ring warnPulse(double elapsed, bool reduced) {
  if (reduced) {
    return {1, 0.7};
  }
  if (elapsed >= 2.2) {
    return {1.9, 0};
  }
  const double p = easeOut(std::fmod(std::max(0.0, elapsed), 1.1) / 1.1);
  return {1 + 0.9 * p, 0.7 * (1 - p)};
}

}  // namespace orvak::views::pill
