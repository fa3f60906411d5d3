// Where a window of ours takes the pointer: the X server's input shape of its native window.
#pragma once

#include <QRegion>

class QWindow;

namespace orvak::views {

// Sets the part of `window` (in its own coordinates) that takes pointer events; everything else
// lets them through to what lies below. An empty region lets every event through. False when
// the window system has no input shapes of windows (not X11, or the window is not created yet).
bool setInputRegion(QWindow& window, const QRegion& region);

}  // namespace orvak::views
