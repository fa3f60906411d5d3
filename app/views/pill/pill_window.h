// The pill's floating window: frameless, on top, never activated and never focused, taking the
// pointer over its capsule alone and nowhere while the controller says so. It is the
// controller's panel and knows the screens.
#pragma once

#include <QWidget>
#include <memory>

#include "app/pill/pill.h"
#include "app/pill/pill_panel.h"
#include "app/views/pill/pill_view.h"

namespace orvak::views::pill {

class PillWindow : public QWidget, public PillPanel, public Screens {
 public:
  PillWindow();

  // Draws `model` from now on and reports the pointer to `onHover`.
  void attach(PillModel& model, std::function<void(bool)> onHover);
  PillView* view() const { return view_; }

  // PillPanel
  void orderFront() override;
  void orderOut() override;
  void setFrame(const ax::Rect& frame) override;
  ax::Rect frame() const override;
  bool isVisible() const override { return QWidget::isVisible(); }
  void setIgnoresMouse(bool ignores) override;
  void setAlpha(double alpha) override;
  bool ignoresMouse() const { return ignoresMouse_; }

  // Screens
  std::optional<ax::Rect> underPointer() const override;
  std::optional<ax::Rect> primary() const override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  // The window's shape (without a compositor) and input region, after every layout, resize and
  // show.
  void updateShape();
  void updateInputRegion();
  double radius(const QRectF& body) const;
  // The capsule or card as laid out and as drawn now (they differ while it eases).
  QRegion capsuleRegion() const;
  PillView* view_ = nullptr;
  bool composited_ = true;
  bool ignoresMouse_ = true;
};

// The pill on screen: the controller with its window, wired together.
struct ScreenPill {
  std::shared_ptr<PillWindow> window;
  std::shared_ptr<Pill> pill;
};
ScreenPill makeScreenPill();

}  // namespace orvak::views::pill
