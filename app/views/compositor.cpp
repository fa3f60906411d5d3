#include "app/views/compositor.h"

#include <QGuiApplication>
#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

namespace orvak::views {

bool compositorRunning() {
  const QString platform = QGuiApplication::platformName();
  if (platform != QLatin1String("xcb")) {
    return true;
  }
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = x11 != nullptr ? x11->connection() : nullptr;
  if (c == nullptr) {
    return false;
  }
  // The selection of the default screen, as the EWMH names it.
  int screen = 0;
  if (const char* display = std::getenv("DISPLAY"); display != nullptr) {
    const std::string d(display);
    if (const auto dot = d.rfind('.'); dot != std::string::npos && dot > d.rfind(':')) {
      screen = std::atoi(d.c_str() + dot + 1);
    }
  }
  const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
  auto atomCookie = xcb_intern_atom(c, 1, uint16_t(name.size()), name.c_str());
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, atomCookie, nullptr);
  if (atom == nullptr) {
    return false;
  }
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE) {
    return false;  // nobody ever made the atom: no compositor
  }
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
  const bool running = owner != nullptr && owner->owner != XCB_NONE;
  std::free(owner);
  return running;
}

}  // namespace orvak::views
