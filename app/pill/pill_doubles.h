// A panel and screens without a window system, for tests and the workbench: the panel keeps its
// frame and visibility and tells a listener what it was told.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/pill/pill_panel.h"

namespace orvak {

class RecordingPanel : public PillPanel {
 public:
  void orderFront() override;
  void orderOut() override;
  void setFrame(const ax::Rect& frame) override;
  ax::Rect frame() const override { return frame_; }
  bool isVisible() const override { return visible_; }
  void setIgnoresMouse(bool ignores) override;
  void setAlpha(double alpha) override;

  bool ignoresMouse() const { return ignoresMouse_; }
  // Everything the panel was told, in order ("order front", "frame 860,1000 200x80" ...).
  std::vector<std::string> calls;
  std::function<void(const std::string&)> onCall;

 private:
  void record(std::string call);
  ax::Rect frame_{0, 0, 200, 80};
  bool visible_ = false;
  bool ignoresMouse_ = true;
};

struct FixedScreens : Screens {
  std::optional<ax::Rect> pointer;  // the available area of the screen under the pointer
  std::optional<ax::Rect> main;     // of the primary screen
  std::optional<ax::Rect> underPointer() const override { return pointer ? pointer : main; }
  std::optional<ax::Rect> primary() const override { return main; }
};

}  // namespace orvak
