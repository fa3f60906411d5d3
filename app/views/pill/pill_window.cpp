#include "app/views/pill/pill_window.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>

#include "app/views/compositor.h"
#include "app/views/input_region.h"

namespace orvak::views::pill {
namespace {

ax::Rect toRect(const QRect& r) { return {double(r.x()), double(r.y()), double(r.width()), double(r.height())}; }

QRegion roundedRegion(const QRectF& body, double radius) {
  QPainterPath path;
  path.addRoundedRect(body, radius, radius);
  return QRegion(path.toFillPolygon().toPolygon());
}

}  // namespace

PillWindow::PillWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::X11BypassWindowManagerHint) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_X11DoNotAcceptFocus);
  setFocusPolicy(Qt::NoFocus);
  composited_ = views::compositorRunning();
  if (composited_) {
    setAttribute(Qt::WA_TranslucentBackground);
  }
  resize(200, 80);
}

void PillWindow::attach(PillModel& model, std::function<void(bool)> onHover) {
  view_ = new PillView(model, this);
  view_->setShadows(composited_);
  view_->onHover = std::move(onHover);
  view_->onLayout = [this] { updateShape(); };
  model.onChange = [v = view_](std::optional<Curve> curve) { v->modelChanged(curve); };
  view_->modelChanged(std::nullopt);
}

double PillWindow::radius(const QRectF& body) const {
  return view_ != nullptr && view_->layout().noticeButton ? 22 : body.height() / 2;
}

QRegion PillWindow::capsuleRegion() const {
  const QRectF target = view_->layout().body.translated(view_->origin());
  const QRectF drawn = view_->currentBody();
  return roundedRegion(target, radius(target)) + roundedRegion(drawn, radius(drawn));
}

void PillWindow::updateShape() {
  if (!composited_ && view_ != nullptr) {
    // Without a compositor the window cannot be translucent: cut it to the capsule or card, as
    // laid out and as drawn while it eases there (the cut also bounds where clicks land).
    setMask(capsuleRegion());
  }
  updateInputRegion();
}

// The pointer goes to the pill only over its capsule or card, and never while it ignores the
// mouse. Qt's transparent-for-input flag cannot do this: set on a shown window it fixes the input
// area to the window's size of that moment, and the window grows afterwards (controls appear
// under the pointer), so the new part let the pointer through.
void PillWindow::updateInputRegion() {
  QWindow* w = windowHandle();
  if (w == nullptr) {
    return;  // set when the window is shown
  }
  QRegion region;
  if (!ignoresMouse_) {
    region = view_ == nullptr ? QRegion(rect()) : capsuleRegion();
  }
  if (!views::setInputRegion(*w, region)) {
    // Without input shapes (not X11) the flag is all there is; it covers the whole window.
    w->setFlag(Qt::WindowTransparentForInput, ignoresMouse_);
  }
}

void PillWindow::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  updateShape();
}

void PillWindow::orderFront() {
  show();
  raise();
}

void PillWindow::orderOut() { hide(); }

void PillWindow::setFrame(const ax::Rect& f) {
  setGeometry(QRect(int(f.x), int(f.y), int(f.width), int(f.height)));
  if (view_ != nullptr) {
    view_->setGeometry(rect());
  }
  updateShape();
}

ax::Rect PillWindow::frame() const { return toRect(geometry()); }

void PillWindow::setIgnoresMouse(bool ignores) {
  ignoresMouse_ = ignores;
  updateInputRegion();
}

void PillWindow::setAlpha(double alpha) { setWindowOpacity(alpha); }

std::optional<ax::Rect> PillWindow::underPointer() const {
  if (QScreen* s = QGuiApplication::screenAt(QCursor::pos())) {
    return toRect(s->availableGeometry());
  }
  return primary();
}

std::optional<ax::Rect> PillWindow::primary() const {
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    return toRect(s->availableGeometry());
  }
  return std::nullopt;
}

ScreenPill makeScreenPill() {
  auto window = std::make_shared<PillWindow>();
  auto pill = Pill::make(window, window);
  std::weak_ptr<Pill> weak = pill;
  window->attach(pill->model(), [weak](bool inside) {
    if (auto p = weak.lock()) {
      p->hovered(inside);
    }
  });
  return {window, pill};
}

}  // namespace orvak::views::pill
