// A fixed-pitch layout of an element's text inside its frame, so the simulated desktop can answer
// the text-geometry queries ("AXBoundsForRange", "AXRangeForPosition", "AXLineForIndex") with
// plausible rectangles: every UTF-16 unit is one cell of `charWidth` by `lineHeight` points, lines
// break at line feeds and wrap at the last space that fits (or hard at the frame's edge).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ax.h"

namespace orvak::sim {

struct LayoutMetrics {
  double charWidth = 8;
  double lineHeight = 18;
};

class TextLayout {
 public:
  TextLayout(const std::u16string& text, const ax::Rect& frame, LayoutMetrics metrics);

  std::size_t lineCount() const { return lines_.size(); }
  // The line holding UTF-16 index `index` (the end of the text counts as the last line).
  std::optional<std::int64_t> lineForIndex(std::int64_t index) const;
  // The rectangle enclosing every cell of the range; a zero-length range gives a caret of zero
  // width. None when the range does not lie within the text.
  std::optional<ax::Rect> boundsForRange(ax::Range range) const;
  // The one-unit range of the cell under the point, clamped into the text (a point past a line's
  // end gives that line's end, with length 0).
  ax::Range rangeForPosition(ax::Point p) const;

 private:
  struct Line {
    std::int64_t start;
    std::int64_t end;  // exclusive; a trailing line feed belongs to its line
  };
  ax::Rect cell(std::size_t line, std::int64_t index) const;

  std::int64_t size_;
  ax::Rect frame_;
  LayoutMetrics m_;
  std::vector<Line> lines_;
};

}  // namespace orvak::sim
