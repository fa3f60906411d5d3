// Whether a compositing manager runs, so windows can be translucent with soft shadows.
#pragma once

namespace orvak::views {

// True on Wayland and offscreen, and on X11 while a compositing manager holds the
// "_NET_WM_CM_S<screen>" selection; false on X11 without one. Needs a QGuiApplication.
bool compositorRunning();

}  // namespace orvak::views
