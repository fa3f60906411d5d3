// The desktop's clipboard, plain text only.
#pragma once

#include <string>

namespace orvak::platform {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces whatever the clipboard held with `text`.
  virtual void setText(const std::string& text) = 0;
  virtual std::string text() = 0;
};

}  // namespace orvak::platform
