#include "tools/orvak-dev/gui_app.h"

#include <cstdlib>

namespace orvak::dev {

std::unique_ptr<QApplication> offscreenApp() {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // QApplication keeps a reference to argc, so both outlive it.
  static int argc = 1;
  static char name[] = "orvak-dev";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QApplication>(argc, argv);
}

}  // namespace orvak::dev
