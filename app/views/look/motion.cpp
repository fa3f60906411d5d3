#include "app/views/look/motion.h"

#include <QDateTime>
#include <QEasingCurve>
#include <QEvent>
#include <QWidget>
#include <cmath>
#include <numbers>

#include "app/views/look/appearance.h"

namespace orvak::look {
namespace {

double positiveMod(double t, double period) {
  const double r = std::fmod(t, period);
  return r < 0 ? r + period : r;
}

}  // namespace

double shineOffset(double t) {
  const double p = positiveMod(t, 5.5) / 5.5;
  return p < 0.7 ? -1.2 : (p - 0.7) / 0.3 * 2.4 - 1.2;
}

OrbFrame heroOrbFrame(double t) {
  const double breath = 1 + 0.035 * std::sin(2 * t * std::numbers::pi / 6);
  return {breath, QPointF(0.32 + 0.06 * std::sin(t / 3.1), 0.3 + 0.05 * std::cos(t / 2.7))};
}

DotFrame statusDotFrame(bool ok, double t) {
  if (ok) {
    const double p = QEasingCurve(QEasingCurve::OutQuad).valueForProgress(positiveMod(t, 2.0) / 2.0);
    return {1 + 1.4 * p, 0.7 * (1 - p), 1.0};
  }
  // There and back: 0.7 s toward dim, 0.7 s back.
  const double phase = positiveMod(t, 1.4);
  const double linear = phase < 0.7 ? phase / 0.7 : (1.4 - phase) / 0.7;
  const double p = QEasingCurve(QEasingCurve::InOutQuad).valueForProgress(linear);
  return {1.0, 0.0, 1 - 0.75 * p};
}

double wallSeconds() { return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0; }

FrameTicker::FrameTicker(QWidget* widget) : QObject(widget), widget_(widget) {
  timer_.setInterval(34);  // at most 30 frames a second
  connect(&timer_, &QTimer::timeout, widget_, qOverload<>(&QWidget::update));
  widget_->installEventFilter(this);
}

double FrameTicker::now() const { return frozen_ ? *frozen_ : wallSeconds(); }

void FrameTicker::freeze(double t) {
  frozen_ = t;
  update();
  widget_->update();
}

bool FrameTicker::eventFilter(QObject* watched, QEvent* event) {
  if (watched == widget_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
    update();
  }
  return QObject::eventFilter(watched, event);
}

void FrameTicker::update() {
  const bool run = widget_->isVisible() && !frozen_ && !reducedMotion();
  if (run && !timer_.isActive()) {
    timer_.start();
  } else if (!run) {
    timer_.stop();
  }
}

}  // namespace orvak::look
