// Showing a file to the user in the file manager, selected in its folder.
#pragma once

#include <filesystem>

namespace orvak::platform {

class FileReveal {
 public:
  virtual ~FileReveal() = default;
  // Best effort: nothing tells whether a window appeared.
  virtual void reveal(const std::filesystem::path& file) = 0;
};

}  // namespace orvak::platform
