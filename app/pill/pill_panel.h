// The pill's window and the screens it stands on, as the pill controller sees them. The views
// implement both with Qt; tests use fakes. Coordinates are logical pixels, origin top left.
#pragma once

#include <optional>

#include "platform/ax.h"

namespace orvak {

class PillPanel {
 public:
  virtual ~PillPanel() = default;
  // Shows the panel on top without taking focus from anyone.
  virtual void orderFront() = 0;
  virtual void orderOut() = 0;
  virtual void setFrame(const ax::Rect& frame) = 0;
  virtual ax::Rect frame() const = 0;
  virtual bool isVisible() const = 0;
  // While true, clicks pass through the panel to the windows below.
  virtual void setIgnoresMouse(bool ignores) = 0;
  virtual void setAlpha(double alpha) = 0;
};

class Screens {
 public:
  virtual ~Screens() = default;
  // The available area (without panels and docks) of the screen under the pointer, else of the
  // primary screen; none without any screen.
  virtual std::optional<ax::Rect> underPointer() const = 0;
  // The available area of the primary screen, if there is one.
  virtual std::optional<ax::Rect> primary() const = 0;
};

}  // namespace orvak
