// Frames of everything that moves, as pure functions of the time in seconds, and the ticker
// that redraws a moving widget.
#pragma once

#include <QObject>
#include <QPointF>
#include <QTimer>
#include <optional>

class QWidget;

namespace orvak::look {

// The sheen's horizontal offset in units of the view's width: it rests off to the left (-1.2)
// for the first 70 % of every 5.5 s cycle, then sweeps to +1.2.
double shineOffset(double t);

struct OrbFrame {
  double breath;     // scale of the body; the glow is 1.15 times it
  QPointF highlight; // centre of the radial gradient, in unit coordinates of the circle
};
OrbFrame heroOrbFrame(double t);

struct DotFrame {
  double ringScale;
  double ringOpacity;  // 0 when there is no ring
  double dotOpacity;
};
// The status dot: when ok a ring spreads and fades every 2 s; when not, the dot blinks over 0.7 s
// each way.
DotFrame statusDotFrame(bool ok, double t);

// Seconds on the wall clock, the time every moving piece is drawn at.
double wallSeconds();

// Redraws one widget at most 30 times a second while it is visible and motion is allowed, and
// gives it the time to draw. `freeze` pins the time (pictures and tests), which also stops the
// timer.
class FrameTicker : public QObject {
 public:
  explicit FrameTicker(QWidget* widget);
  double now() const;
  void freeze(double t);
  bool isRunning() const { return timer_.isActive(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void update();
  QWidget* widget_;
  QTimer timer_;
  std::optional<double> frozen_;
};

}  // namespace orvak::look
