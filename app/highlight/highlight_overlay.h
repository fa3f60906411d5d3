// What the highlighter draws on: the band over the sentence, the word mark, the
// dimmed window around the band in focus mode, and the underlines of earlier
// highlights. Rectangles are global screen coordinates (origin at the top left
// of the primary screen, y down); an implementation converts them to its own
// windows. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ax.h"

namespace orvak {

class HighlightOverlay {
 public:
  virtual ~HighlightOverlay() = default;
  // Everything at once: no bands, no word, no focus area and no saved
  // rectangles hides the marks.
  virtual void show(const std::vector<ax::Rect>& bands, const std::optional<ax::Rect>& word,
                    const std::optional<ax::Rect>& focusArea, const std::vector<ax::Rect>& saved) = 0;
  virtual void close() = 0;
};

// Makes the overlay of one read; `wordMode` when word marks are drawn (the band
// is then lighter).
using HighlightOverlayFactory = std::function<std::shared_ptr<HighlightOverlay>(bool wordMode)>;

}  // namespace orvak
