#include "platform/linux/x11_display.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

namespace orvak::x11 {

namespace {

// X errors from windows that vanish between two requests (a window closing while we look) are
// expected: they are ignored instead of ending the process, Xlib's default.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

// Bounds on what another program's properties may make us read.
constexpr long kMaxWindows = 4096;

}  // namespace

std::unique_ptr<Connection> Connection::open() {
  static const bool once = [] {
    XInitThreads();
    XSetErrorHandler(ignoreErrors);
    return true;
  }();
  (void)once;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return nullptr;
  return std::unique_ptr<Connection>(new Connection(d));
}

Connection::Connection(Display* d) : display_(d), root_(DefaultRootWindow(d)) {}

Connection::~Connection() { XCloseDisplay(display_); }

Atom Connection::atom(const char* name) { return XInternAtom(display_, name, False); }

std::vector<unsigned long> Connection::cardinals(Window w, Atom property, Atom type, long max) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> out;
  if (XGetWindowProperty(display_, w, property, 0, max, False, type, &actualType, &format, &count, &after, &data) !=
      Success) {
    return out;
  }
  if (data && actualType == type && format == 32) {
    // Xlib hands 32-bit properties over as longs.
    const auto* values = reinterpret_cast<const unsigned long*>(data);
    out.assign(values, values + count);
  }
  if (data) XFree(data);
  return out;
}

bool Connection::hasWindowManager() {
  const auto check = cardinals(root_, atom("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW);
  if (check.empty() || check[0] == 0) return false;
  // A window manager that died leaves the property naming a window that is gone.
  XWindowAttributes attrs;
  return XGetWindowAttributes(display_, check[0], &attrs) != 0;
}

Window Connection::topLevelOf(Window w) {
  Window current = w;
  for (int depth = 0; depth < 64 && current != None && current != root_; ++depth) {
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, current, &rootReturn, &parent, &children, &count)) return None;
    if (children) XFree(children);
    if (parent == root_ || parent == None) return current;
    current = parent;
  }
  return current == root_ ? None : current;
}

std::optional<Window> Connection::activeWindow() {
  if (hasWindowManager()) {
    const auto active = cardinals(root_, atom("_NET_ACTIVE_WINDOW"), XA_WINDOW);
    if (active.empty() || active[0] == 0) return std::nullopt;
    return static_cast<Window>(active[0]);
  }
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  if (focus == PointerRoot) {
    // Keys go to the window under the pointer.
    Window rootReturn = None;
    Window child = None;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display_, root_, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask)) return std::nullopt;
    focus = child;
  }
  if (focus == None || focus == root_) return std::nullopt;
  const Window top = topLevelOf(focus);
  if (top == None) return std::nullopt;
  return top;
}

std::vector<Window> Connection::topLevels() {
  std::vector<Window> out;
  if (hasWindowManager()) {
    auto list = cardinals(root_, atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW, kMaxWindows);
    if (list.empty()) list = cardinals(root_, atom("_NET_CLIENT_LIST"), XA_WINDOW, kMaxWindows);
    for (auto it = list.rbegin(); it != list.rend(); ++it) out.push_back(static_cast<Window>(*it));
  } else {
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, root_, &rootReturn, &parent, &children, &count)) {
      // The root's children come bottom to top.
      for (unsigned int i = count; i > 0 && out.size() < static_cast<std::size_t>(kMaxWindows); --i) {
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(display_, children[i - 1], &attrs)) continue;
        if (attrs.map_state != IsViewable || attrs.c_class == InputOnly) continue;
        out.push_back(children[i - 1]);
      }
      if (children) XFree(children);
    }
  }
  const Atom typeAtom = atom("_NET_WM_WINDOW_TYPE");
  const Atom desktop = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
  const Atom dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
  std::erase_if(out, [&](Window w) {
    const auto types = cardinals(w, typeAtom, XA_ATOM, 8);
    return std::any_of(types.begin(), types.end(), [&](unsigned long t) { return t == desktop || t == dock; });
  });
  return out;
}

std::optional<pid_t> Connection::pidOf(Window w) {
  const Atom pidAtom = atom("_NET_WM_PID");
  auto own = cardinals(w, pidAtom, XA_CARDINAL);
  if (!own.empty() && own[0] > 0) return static_cast<pid_t>(own[0]);
  // A reparenting window manager's frame holds the client a level or two down.
  std::vector<Window> level{w};
  for (int depth = 0; depth < 2; ++depth) {
    std::vector<Window> next;
    for (Window parentWindow : level) {
      Window rootReturn = None;
      Window parent = None;
      Window* children = nullptr;
      unsigned int count = 0;
      if (!XQueryTree(display_, parentWindow, &rootReturn, &parent, &children, &count)) continue;
      for (unsigned int i = 0; i < count && next.size() < 64; ++i) next.push_back(children[i]);
      if (children) XFree(children);
    }
    for (Window child : next) {
      auto pid = cardinals(child, pidAtom, XA_CARDINAL);
      if (!pid.empty() && pid[0] > 0) return static_cast<pid_t>(pid[0]);
    }
    level = std::move(next);
  }
  return std::nullopt;
}

std::optional<std::pair<std::string, std::string>> Connection::windowClass(Window w) {
  XClassHint hint{};
  if (!XGetClassHint(display_, w, &hint)) return std::nullopt;
  std::pair<std::string, std::string> out{hint.res_name ? hint.res_name : "", hint.res_class ? hint.res_class : ""};
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return out;
}

std::optional<ax::Rect> Connection::frameOf(Window w) {
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(display_, w, &attrs)) return std::nullopt;
  int x = 0;
  int y = 0;
  Window child = None;
  if (!XTranslateCoordinates(display_, w, root_, 0, 0, &x, &y, &child)) return std::nullopt;
  return ax::Rect{double(x), double(y), double(attrs.width), double(attrs.height)};
}

double Connection::opacityOf(Window w) {
  const auto value = cardinals(w, atom("_NET_WM_WINDOW_OPACITY"), XA_CARDINAL);
  if (value.empty()) return 1.0;
  return static_cast<double>(value[0] & 0xffffffffUL) / 4294967295.0;
}

}  // namespace orvak::x11
