#include "app/capture/capture.h"

namespace orvak {

std::string CaptureError::description() const {
  switch (kind) {
    case Kind::neverRead:
      return "Orvak never reads " + appName;
    case Kind::noWindow:
      return appName + " has no window Orvak can read";
    case Kind::nothingReadable:
      return behindDialog ? "Nothing readable — close the dialog covering the page" : "Nothing readable in " + appName;
    case Kind::notTrusted:
      return "Orvak needs Accessibility access";
    case Kind::noFrontApp:
      return "No app in front";
    case Kind::frontIsOrvak:
      return "Click into the window you want read first";
  }
  return {};
}

}  // namespace orvak
