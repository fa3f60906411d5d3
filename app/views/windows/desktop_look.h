// The desktop's light or dark preference as it changes while Orvak runs (on Linux the settings
// portal's "color-scheme"), so that "Match System" follows the desktop without a restart.
#pragma once

#include <functional>

#include "app/views/look/appearance.h"

namespace orvak::views::windows {

class DesktopLook {
 public:
  virtual ~DesktopLook() = default;
  // Set by the listener; called on the main thread with what the desktop asks for now.
  std::function<void(look::Appearance)> onChange;
};

}  // namespace orvak::views::windows
