// The pill drawn from its model: the capsule with its glyph, texts, offer button and hover
// controls, or the notice card, inside a transparent margin. One custom-painted widget; the
// layout function places everything for painting and hit-testing alike.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/curves.h"
#include "app/pill/pill_model.h"
#include "app/views/pill/pill_layout.h"

namespace orvak::views::pill {

class PillView : public QWidget {
 public:
  explicit PillView(PillModel& model, QWidget* parent = nullptr);

  // Call after every change of the model, with the change's curve.
  void modelChanged(std::optional<Curve> curve);
  // The pointer entered or left the pill.
  std::function<void(bool inside)> onHover;
  // Called after every layout, once the view has its new size, and when the capsule has eased to
  // its laid-out size.
  std::function<void()> onLayout;
  // Draw soft shadows (a compositor runs) or not.
  void setShadows(bool on);

  const Layout& layout() const { return layout_; }
  // The capsule or card as drawn now, in the view's coordinates (centred in the view).
  QRectF currentBody() const;
  // Where the layout's origin stands in the view (centred).
  QPointF origin() const;
  // Pins the time every moving piece is drawn at and ends every transition: pictures and tests.
  void freeze(double t);
  bool moving() const { return frames_.isActive(); }
  // Brings every running transition to its end at once (time itself keeps running).
  void settle();

  // What a click at `pos` would press: a control, the offer, the notice button, or nothing.
  enum class Target { none, back, playPause, skip, speed, stop, offer, notice };
  Target targetAt(QPointF pos) const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  bool event(QEvent* e) override;

 private:
  TextWidths measure() const;
  void relayout();
  void updateFrames();
  double now() const;
  void run(Target target);
  void paintCapsule(QPainter& p, const QRectF& body);
  void paintExtras(QPainter& p, const Layout& layout, const PillState& s, const std::optional<std::string>& offer,
                   const QVariantAnimation* offerIn, const QVariantAnimation* controlsIn);
  void paintCard(QPainter& p);
  void paintGlyph(QPainter& p, const QRectF& r);
  void paintButtonFill(QPainter& p, const QRectF& r, Target t);
  void paintShadow(QPainter& p, const QRectF& body, double radius);

  PillModel& model_;
  Layout layout_;
  std::optional<QSizeF> reported_;  // the size last given to `model.onSize`
  std::int64_t serial_ = -1;
  bool hadNotice_ = false;
  bool hadOffer_ = false;
  bool hadControls_ = false;
  bool shadows_ = true;
  Target pressed_ = Target::none;
  Target over_ = Target::none;
  std::optional<double> frozen_;
  double pingStart_ = 0;   // seconds, on the view's clock
  double pulseStart_ = 0;
  QElapsedTimer clock_;
  QTimer frames_;          // at most 60 a second, only while something moves
  QVariantAnimation shown_;     // 0 out .. 1 in
  QVariantAnimation textFade_;  // the text block after a change of serial
  QVariantAnimation offerIn_;
  QVariantAnimation controlsIn_;
  // A change of the capsule's size: from `from_` (view coordinates) to the new body.
  QVariantAnimation morph_;
  QRectF from_;
  struct Leaving {
    Layout layout;
    PillState state;
    std::optional<std::string> offer;
  };
  std::optional<Leaving> leaving_;
  PillState leavingState_;  // the state and offer as last drawn, for what leaves next
  std::optional<std::string> leavingOffer_;
  struct ShadowKey {
    QSizeF size;
    double radius = 0;
    qreal dpr = 1;
    bool operator==(const ShadowKey&) const = default;
  };
  QImage shadow_;  // the last shadow drawn, and what it was drawn for
  std::optional<ShadowKey> shadowFor_;
};

}  // namespace orvak::views::pill
