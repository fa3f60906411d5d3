// The status menu. For now its one shared helper: the speed label, also used by the pill's speed
// button and the voice settings.
#pragma once

#include <string>

namespace orvak {

class MenuBar {
 public:
  // "1×" for a whole number, else two significant digits: 1.25 gives "1.2×", 1.75 "1.8×".
  static std::string speed(float value);
};

}  // namespace orvak
