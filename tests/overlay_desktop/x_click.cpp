#include "tests/overlay_desktop/x_click.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace orvak::views {

bool clickAt(int x, int y, unsigned button) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(display, button, True, CurrentTime);
  XTestFakeButtonEvent(display, button, False, CurrentTime);
  XSync(display, False);
  XCloseDisplay(display);
  return true;
}

bool moveTo(int x, int y) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
  XSync(display, False);
  XCloseDisplay(display);
  return true;
}

}  // namespace orvak::views
