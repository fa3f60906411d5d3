// A connection to the X server and the questions the workspace and input backends ask of it:
// which window is active, which process owns a window, the top-level windows in stacking order.
// One connection serves one thread at a time; each backend keeps its own.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ax.h"

namespace orvak::x11 {

class Connection {
 public:
  // Opens the display $DISPLAY names; none without one or when the server refuses.
  static std::unique_ptr<Connection> open();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  Display* display() const { return display_; }
  Window root() const { return root_; }
  Atom atom(const char* name);

  // Whether a window manager following the EWMH conventions runs (_NET_SUPPORTING_WM_CHECK
  // names a window that still exists).
  bool hasWindowManager();
  // The active top-level window: _NET_ACTIVE_WINDOW with a window manager, else the top-level
  // window holding the keyboard focus (the one under the pointer while the focus follows it).
  std::optional<Window> activeWindow();
  // Top-level windows, front to back: the window manager's stacking list, else the mapped
  // children of the root window. Desktop backgrounds and docks (panels) are left out.
  std::vector<Window> topLevels();
  // The process owning a window (_NET_WM_PID), looked for in the client windows a window
  // manager's frame holds as well.
  std::optional<pid_t> pidOf(Window w);
  // WM_CLASS: instance and class names.
  std::optional<std::pair<std::string, std::string>> windowClass(Window w);
  // The window's frame on screen (root coordinates, the window manager's frame not included).
  std::optional<ax::Rect> frameOf(Window w);
  // _NET_WM_WINDOW_OPACITY as 0 to 1; 1 when the window carries none (opaque).
  double opacityOf(Window w);
  // The top-level window (a child of the root) that holds `w`.
  Window topLevelOf(Window w);

  // A CARDINAL or WINDOW property's first values (at most `max`).
  std::vector<unsigned long> cardinals(Window w, Atom property, Atom type, long max = 1);

 private:
  explicit Connection(Display* d);
  Display* display_;
  Window root_;
};

}  // namespace orvak::x11
