#include "app/pill/pill_doubles.h"

#include <cstdio>

namespace orvak {

void RecordingPanel::record(std::string call) {
  if (onCall) {
    onCall(call);
  }
  calls.push_back(std::move(call));
}

void RecordingPanel::orderFront() {
  visible_ = true;
  record("order front");
}

void RecordingPanel::orderOut() {
  visible_ = false;
  record("order out");
}

void RecordingPanel::setFrame(const ax::Rect& frame) {
  frame_ = frame;
  char text[96];
  std::snprintf(text, sizeof text, "frame %g,%g %gx%g", frame.x, frame.y, frame.width, frame.height);
  record(text);
}

void RecordingPanel::setIgnoresMouse(bool ignores) {
  if (ignores == ignoresMouse_) {
    return;
  }
  ignoresMouse_ = ignores;
  record(ignores ? "clicks pass through" : "takes clicks");
}

void RecordingPanel::setAlpha(double alpha) {
  char text[32];
  std::snprintf(text, sizeof text, "alpha %g", alpha);
  record(text);
}

}  // namespace orvak
