// Asking the user where to save a file: a suggested name and a file-type filter in, the chosen
// path (or nothing, when the user cancelled) out, through a completion on the main queue. The
// question does not block: the program keeps running while it is open.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace orvak::platform {

struct SaveRequest {
  std::string suggestedName;  // "Notes.md"
  std::string filter;         // "Markdown (*.md)"
  bool operator==(const SaveRequest&) const = default;
};

class SaveChooser {
 public:
  using Done = std::function<void(std::optional<std::filesystem::path>)>;
  virtual ~SaveChooser() = default;
  // Calls `done` once, on the main queue.
  virtual void chooseSaveFile(const SaveRequest& request, Done done) = 0;
};

}  // namespace orvak::platform
