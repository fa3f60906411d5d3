// The motion curves as Qt easing curves.
#pragma once

#include <QEasingCurve>

#include "app/curves.h"

namespace orvak::look {

QEasingCurve easing(Curve curve);
// The curve's duration in whole milliseconds, for Qt's animations.
int durationMs(Curve curve);

}  // namespace orvak::look
