#include "app/views/input_region.h"

#include <QGuiApplication>
#include <QWindow>
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <vector>

namespace orvak::views {

bool setInputRegion(QWindow& window, const QRegion& region) {
  if (QGuiApplication::platformName() != QLatin1String("xcb") || window.handle() == nullptr) {
    return false;
  }
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = x11 != nullptr ? x11->connection() : nullptr;
  if (c == nullptr) {
    return false;
  }
  // Device pixels: the server knows nothing of the scale factor.
  const qreal scale = window.devicePixelRatio();
  std::vector<xcb_rectangle_t> rects;
  for (const QRect& r : region) {
    const QRect d(QPoint(qRound(r.left() * scale), qRound(r.top() * scale)),
                  QPoint(qRound((r.right() + 1) * scale) - 1, qRound((r.bottom() + 1) * scale) - 1));
    rects.push_back({int16_t(d.x()), int16_t(d.y()), uint16_t(d.width()), uint16_t(d.height())});
  }
  xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, xcb_window_t(window.winId()),
                       0, 0, uint32_t(rects.size()), rects.data());
  xcb_flush(c);
  return true;
}

}  // namespace orvak::views
