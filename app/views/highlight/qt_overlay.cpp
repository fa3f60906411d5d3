#include "app/views/highlight/qt_overlay.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/views/compositor.h"

namespace orvak::views::highlight {

namespace {

// A global rectangle (screen pixels, as Accessibility gives them) in one screen's window.
QRectF local(const ax::Rect& r, const QRect& screen, double ratio) {
  return {r.x / ratio - screen.x(), r.y / ratio - screen.y(), r.width / ratio, r.height / ratio};
}

}  // namespace

HighlightOverlayFactory QtHighlightOverlay::factory() {
  return [](bool wordMode) { return std::make_shared<QtHighlightOverlay>(wordMode); };
}

QtHighlightOverlay::QtHighlightOverlay(bool wordMode) : shaped_(!compositorRunning()) {
  for (QScreen* screen : QGuiApplication::screens()) {
    auto* view = new BandView(wordMode ? 0.55 : 1.0, shaped_);  // a top-level window; closed in close()
    view->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                         Qt::NoDropShadowWindowHint);
    view->setAttribute(Qt::WA_ShowWithoutActivating);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setGeometry(screen->geometry());
    // An empty mask would mean no mask at all, a screen-sized opaque window: a shaped view is only
    // shown while it has marks.
    if (!shaped_) view->show();
    screens_.push_back({view, screen->geometry(), screen->devicePixelRatio()});
  }
}

QtHighlightOverlay::~QtHighlightOverlay() { close(); }

void QtHighlightOverlay::show(const std::vector<ax::Rect>& bands, const std::optional<ax::Rect>& word,
                              const std::optional<ax::Rect>& focusArea, const std::vector<ax::Rect>& saved) {
  for (auto& s : screens_) {
    if (!s.view) continue;
    const QRectF bounds(QPointF(0, 0), QSizeF(s.geometry.size()));
    auto convert = [&](const std::vector<ax::Rect>& rects) {
      std::vector<QRectF> out;
      for (const auto& r : rects) {
        const QRectF q = local(r, s.geometry, s.ratio);
        if (q.intersects(bounds)) out.push_back(q);
      }
      return out;
    };
    s.view->setBands(convert(bands));
    std::optional<QRectF> w;
    if (word) {
      const QRectF q = local(*word, s.geometry, s.ratio);
      if (q.intersects(bounds)) w = q;
    }
    s.view->setWord(w);
    s.view->setSaved(convert(saved));
    std::optional<QRectF> focus;
    if (focusArea && !shaped_) {  // a shaped window cannot dim what lies outside its marks
      const QRectF q = local(*focusArea, s.geometry, s.ratio) & bounds;
      if (!q.isEmpty()) focus = q;
    }
    s.view->setFocusArea(focus);
    if (shaped_) {
      const QRegion marks = s.view->marksRegion();
      if (marks.isEmpty()) {
        s.view->hide();
      } else {
        s.view->setMask(marks);
        s.view->show();
      }
    }
  }
}

void QtHighlightOverlay::close() {
  for (auto& s : screens_) {
    if (s.view) s.view->close();
  }
  screens_.clear();
}

std::vector<BandView*> QtHighlightOverlay::views() const {
  std::vector<BandView*> out;
  for (const auto& s : screens_) {
    if (s.view) out.push_back(s.view);
  }
  return out;
}

}  // namespace orvak::views::highlight
