#include "platform/sim/text_layout.h"

#include <algorithm>
#include <cmath>

namespace orvak::sim {

TextLayout::TextLayout(const std::u16string& text, const ax::Rect& frame, LayoutMetrics metrics)
    : size_(static_cast<std::int64_t>(text.size())), frame_(frame), m_(metrics) {
  if (!(m_.charWidth > 0)) m_.charWidth = 8;
  if (!(m_.lineHeight > 0)) m_.lineHeight = 18;
  const double fit = std::floor(frame.width / m_.charWidth);
  const std::int64_t columns = fit >= 1 && fit < 1e9 ? static_cast<std::int64_t>(fit) : 1;

  std::int64_t start = 0;
  while (start < size_ || lines_.empty()) {
    std::int64_t end = start;
    std::int64_t lastSpace = -1;
    while (end < size_ && end - start < columns && text[static_cast<std::size_t>(end)] != u'\n') {
      if (text[static_cast<std::size_t>(end)] == u' ') lastSpace = end;
      ++end;
    }
    if (end < size_ && text[static_cast<std::size_t>(end)] == u'\n') {
      ++end;  // the line feed stays on its line
    } else if (end < size_ && lastSpace > start) {
      end = lastSpace + 1;  // wrap after the last space that fits
    }
    lines_.push_back({start, end});
    if (end >= size_) {
      // A text ending in a line feed has an empty last line where the caret goes.
      if (size_ > 0 && text.back() == u'\n') lines_.push_back({size_, size_});
      break;
    }
    start = end;
  }
}

std::optional<std::int64_t> TextLayout::lineForIndex(std::int64_t index) const {
  if (index < 0 || index > size_) return std::nullopt;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (index < lines_[i].end) return static_cast<std::int64_t>(i);
  }
  return static_cast<std::int64_t>(lines_.size() - 1);
}

ax::Rect TextLayout::cell(std::size_t line, std::int64_t index) const {
  const auto col = static_cast<double>(index - lines_[line].start);
  return {frame_.x + col * m_.charWidth, frame_.y + static_cast<double>(line) * m_.lineHeight, m_.charWidth,
          m_.lineHeight};
}

std::optional<ax::Rect> TextLayout::boundsForRange(ax::Range range) const {
  if (range.location < 0 || range.length < 0 || range.location > size_ || range.length > size_ - range.location) {
    return std::nullopt;
  }
  const auto first = static_cast<std::size_t>(*lineForIndex(range.location));
  if (range.length == 0) {
    ax::Rect caret = cell(first, range.location);
    caret.width = 0;
    return caret;
  }
  const std::int64_t lastIndex = range.location + range.length - 1;
  const auto last = static_cast<std::size_t>(*lineForIndex(lastIndex));
  double minX = 1e300, maxX = -1e300;
  // Whole lines in between span from their first to their last cell.
  for (std::size_t l = first; l <= last; ++l) {
    const std::int64_t from = l == first ? range.location : lines_[l].start;
    const std::int64_t to = l == last ? lastIndex : std::max(lines_[l].start, lines_[l].end - 1);
    const ax::Rect a = cell(l, from);
    const ax::Rect b = cell(l, to);
    minX = std::min(minX, a.x);
    maxX = std::max(maxX, b.x + b.width);
  }
  const double top = cell(first, range.location).y;
  const double bottom = cell(last, lastIndex).y + m_.lineHeight;
  return ax::Rect{minX, top, maxX - minX, bottom - top};
}

ax::Range TextLayout::rangeForPosition(ax::Point p) const {
  const double rowF = std::floor((p.y - frame_.y) / m_.lineHeight);
  const double maxRow = static_cast<double>(lines_.size() - 1);
  const auto row = static_cast<std::size_t>(std::isfinite(rowF) ? std::clamp(rowF, 0.0, maxRow) : 0.0);
  const Line& line = lines_[row];
  const double colF = std::floor((p.x - frame_.x) / m_.charWidth);
  const double width = static_cast<double>(line.end - line.start);
  const auto col = static_cast<std::int64_t>(std::isfinite(colF) ? std::clamp(colF, 0.0, width) : 0.0);
  const std::int64_t index = line.start + col;
  if (index >= line.end) return {line.end, 0};
  return {index, 1};
}

}  // namespace orvak::sim
