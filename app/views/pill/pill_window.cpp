#include "app/views/pill/pill_window.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>

#include "app/views/compositor.h"

namespace orvak::pillview {
namespace {

ax::Rect toRect(const QRect& r) { return {double(r.x()), double(r.y()), double(r.width()), double(r.height())}; }

}  // namespace

PillWindow::PillWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput) {
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
  view_->onLayout = [this] { updateMask(); };
  model.onChange = [v = view_](std::optional<Curve> curve) { v->modelChanged(curve); };
  view_->modelChanged(std::nullopt);
}

void PillWindow::updateMask() {
  if (composited_ || view_ == nullptr) {
    return;
  }
  // Without a compositor the window cannot be translucent: cut it to the capsule or card.
  const QRectF body = view_->currentBody();
  const double radius = view_->layout().noticeButton ? 22 : body.height() / 2;
  QPainterPath path;
  path.addRoundedRect(body, radius, radius);
  setMask(QRegion(path.toFillPolygon().toPolygon()));
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
  updateMask();
}

ax::Rect PillWindow::frame() const { return toRect(geometry()); }

void PillWindow::setIgnoresMouse(bool ignores) {
  ignoresMouse_ = ignores;
  // On a live window the platform window's flag changes without re-creating it.
  if (QWindow* w = windowHandle()) {
    w->setFlag(Qt::WindowTransparentForInput, ignores);
  } else {
    setWindowFlag(Qt::WindowTransparentForInput, ignores);
  }
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

}  // namespace orvak::pillview
