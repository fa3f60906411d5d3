#include "app/highlight/highlight_measurer.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/base/log.h"
#include "core/page/cleaner.h"

namespace orvak {

namespace {

bool isBlank(char16_t u) { return u == 9 || u == 10 || u == 13 || u == 32; }
// Word separators of the several-line path: a carriage return is not one there.
bool separatesWords(char16_t u) { return u == 9 || u == 10 || u == 32; }

double centreY(const ax::Rect& r) { return r.y + r.height / 2; }

ax::Rect unite(const ax::Rect& a, const ax::Rect& b) {
  const double x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  const double x1 = std::max(a.x + a.width, b.x + b.width), y1 = std::max(a.y + a.height, b.y + b.height);
  return {x0, y0, x1 - x0, y1 - y0};
}

bool sameBox(const ax::Rect& r, const ax::Rect& anchor) {
  return std::abs(r.y - anchor.y) < 0.5 && std::abs(r.height - anchor.height) < 0.5;
}

std::u16string toUnits(const std::string& utf8) {
  const icu::UnicodeString s = text::toUtf16(utf8);
  return std::u16string(s.getBuffer(), static_cast<std::size_t>(s.length()));
}

}  // namespace

HighlightMeasurer::HighlightMeasurer(std::vector<ax::Element> elements,
                                     std::vector<std::optional<std::string>> nodeTexts, std::vector<TextSpan> spans,
                                     bool pdf)
    : elements_(std::move(elements)), nodeTexts_(std::move(nodeTexts)), spans_(std::move(spans)), pdf_(pdf) {}

std::optional<ax::Rect> HighlightMeasurer::bounds(const ax::Element& element, int location, int length) {
  ++requests_;
  const auto answer = element.parameterizedAttribute("AXBoundsForRange", ax::Value(ax::Range{location, length}));
  if (!answer) return std::nullopt;
  if (const auto* rect = answer.value.as<ax::Rect>()) return *rect;
  return std::nullopt;
}

const HighlightMeasurer::NormEntry& HighlightMeasurer::normFor(int index, const std::string& raw) {
  if (const auto found = maps_.find(index); found != maps_.end()) return found->second;
  Cleaner::NormMapping mapping = Cleaner::normMap(raw, pdf_);
  NormEntry entry;
  for (const auto g : text::graphemes(mapping.text)) entry.chars.emplace_back(g);
  entry.utf16 = std::move(mapping.utf16);
  return maps_.emplace(index, std::move(entry)).first->second;
}

std::vector<ax::Rect> HighlightMeasurer::measure(text::GraphemeRange range) {
  std::vector<ax::Rect> rects;
  for (const TextSpan& span : spans_) {
    if (!(span.start < range.end && span.end > range.start)) continue;
    if (span.node < 0 || static_cast<std::size_t>(span.node) >= elements_.size()) continue;
    if (static_cast<std::size_t>(span.node) >= nodeTexts_.size() || !nodeTexts_[span.node]) continue;
    const std::string& raw = *nodeTexts_[span.node];
    const NormEntry& entry = normFor(span.node, raw);
    const int lo = std::max(range.start, span.start) - span.start;
    const int hi = std::min(range.end, span.end) - span.start;
    const auto d = locate(span, entry.chars);
    if (!d) continue;
    const int from = *d + lo, to = *d + hi;
    if (!(from < to) || from < 0 || static_cast<std::size_t>(to) >= entry.utf16.size()) continue;
    const int a = entry.utf16[from], b = entry.utf16[to];
    rawText_ = toUnits(raw);
    const ax::Element& element = elements_[span.node];
    auto piece = pdf_ ? pdfRects(element, span.node, a, b) : lineRects(element, a, b);
    rects.insert(rects.end(), piece.begin(), piece.end());
  }
  std::erase_if(rects, [](const ax::Rect& r) { return !(r.width > 1) || !(r.height > 1); });
  return mergeLines(rects);
}

std::optional<int> HighlightMeasurer::locate(const TextSpan& span, const std::vector<std::string>& normalised) {
  const std::string key = std::to_string(span.node) + ":" + std::to_string(span.start);
  if (const auto cached = spanOffsets_.find(key); cached != spanOffsets_.end()) return cached->second;
  if (!spokenText_) return 0;
  const auto& spoken = *spokenText_;
  const auto count = static_cast<int>(spoken.size());
  const int from = std::clamp(span.start, 0, count);
  const int to = std::clamp(std::min({span.start + 32, span.end, count}), from, count);
  if (from == to) return 0;
  const auto needle = static_cast<std::size_t>(to - from);
  if (normalised.size() < needle) return std::nullopt;
  for (std::size_t at = 0; at + needle <= normalised.size(); ++at) {
    if (std::equal(spoken.begin() + from, spoken.begin() + to, normalised.begin() + static_cast<std::ptrdiff_t>(at))) {
      spanOffsets_[key] = static_cast<int>(at);
      return static_cast<int>(at);
    }
  }
  return std::nullopt;
}

std::vector<ax::Rect> HighlightMeasurer::lineRects(const ax::Element& element, int a, int b) {
  const auto whole = bounds(element, a, b - a);
  if (!whole) return {};
  const auto first = bounds(element, a, std::min(a + 1, b) - a);
  if (!first) return {*whole};
  if (whole->height <= 1.6 * first->height) return {*whole};
  if (!rawText_) return {*whole};

  // Words: maximal runs of anything but tab, line feed and space.
  const std::u16string& units = *rawText_;
  const int end = std::min(b, static_cast<int>(units.size()));
  std::vector<std::pair<int, int>> words;
  for (int i = std::max(a, 0); i < end;) {
    if (separatesWords(units[i])) {
      ++i;
      continue;
    }
    int j = i;
    while (j < end && !separatesWords(units[j])) ++j;
    words.emplace_back(i, j);
    if (words.size() > static_cast<std::size_t>(kMaxWords)) return {*whole};
    i = j;
  }

  std::vector<ax::Rect> lines;
  for (const auto& [ws, we] : words) {
    const auto r = bounds(element, ws, we - ws);
    if (!r || !(r->width > 0)) continue;
    if (!lines.empty() && std::abs(centreY(*r) - centreY(lines.back())) < std::max(4.0, 0.4 * r->height)) {
      lines.back() = unite(lines.back(), *r);
    } else {
      lines.push_back(*r);
    }
  }
  if (lines.empty()) return {*whole};
  return lines;
}

std::optional<ax::Rect> HighlightMeasurer::pdfCharRect(const ax::Element& element, int offset) {
  const auto r = bounds(element, offset, 1);
  if (r && r->width > 0 && r->height > 0) return r;
  return std::nullopt;
}

std::vector<ax::Rect> HighlightMeasurer::pdfRects(const ax::Element& element, int index, int a, int b) {
  if (!rawText_) return {};
  const std::u16string units = *rawText_;
  std::vector<ax::Rect> rects;
  while (a < b) {
    const auto block = pdfBlock(element, index, a, units);
    if (!block) break;
    std::map<int, std::pair<double, double>> extent;  // line -> smallest x0, largest x1
    for (int at = std::max(a, block->start); at < std::min(block->end, b); ++at) {
      const auto c = block->chars.find(at);
      if (c == block->chars.end()) continue;
      auto [it, fresh] = extent.try_emplace(c->second.line, c->second.x0, c->second.x1);
      if (!fresh) {
        it->second.first = std::min(it->second.first, c->second.x0);
        it->second.second = std::max(it->second.second, c->second.x1);
      }
    }
    const int n = std::max(1, block->lines);
    const double row = block->h / n;
    for (const auto& [line, x] : extent) {
      rects.push_back({x.first, block->y + row * line, x.second - x.first, row});
    }
    a = std::max(block->end, a + 1);
  }
  return rects;
}

std::optional<PDFBlock> HighlightMeasurer::pdfBlock(const ax::Element& element, int index, int a,
                                                    const std::u16string& units) {
  auto& known = pdfBlocks_[index];
  for (const PDFBlock& block : known) {
    if (block.start <= a && a < block.end) return block;
  }
  const int size = static_cast<int>(units.size());
  while (a < size && a >= 0 && isBlank(units[a])) ++a;
  if (a < 0 || a >= size) return std::nullopt;

  int probes = 1;
  const auto anchor = pdfCharRect(element, a);
  if (!anchor) return std::nullopt;

  // Back to the block's first character.
  int start = a;
  for (int back = 0; back < kBackProbes && start > 0; ++back) {
    int previous = start - 1;
    while (previous > 0 && isBlank(units[previous])) --previous;
    if (isBlank(units[previous])) break;
    ++probes;
    const auto r = pdfCharRect(element, previous);
    if (!r || !sameBox(*r, *anchor)) break;
    start = previous;
  }

  // Forward over the block, keeping every character in the anchor's box.
  std::vector<std::pair<int, ax::Rect>> accepted;
  for (int at = start; at < size && probes < kBlockProbes; ++at) {
    if (isBlank(units[at])) continue;
    ++probes;
    const auto r = pdfCharRect(element, at);
    if (!r) continue;
    if (!sameBox(*r, *anchor)) break;
    accepted.emplace_back(at, *r);
  }

  PDFBlock block;
  block.start = start;
  block.end = std::max(accepted.empty() ? a + 1 : accepted.back().first + 1, a + 1);
  block.y = anchor->y;
  block.h = anchor->height;
  if (!accepted.empty()) {
    std::vector<double> widths;
    widths.reserve(accepted.size());
    for (const auto& [at, r] : accepted) widths.push_back(r.width);
    std::sort(widths.begin(), widths.end());
    const double limit = std::max(4.0, 3.5 * widths[widths.size() / 2]);
    int line = 0;
    std::optional<double> previousX;
    for (const auto& [at, r] : accepted) {
      if (r.width > limit) continue;
      if (previousX && r.x < *previousX - 1) ++line;
      previousX = r.x;
      block.chars[at] = {r.x, r.x + r.width, line};
    }
    block.lines = line + 1;
  }
  ++pdfBlockLogs_;
  if (pdfBlockLogs_ <= 2) {
    Log::write("highlight: pdf block " + std::to_string(block.end - block.start) + " chars, " +
               std::to_string(block.lines) + " lines, " + std::to_string(probes) + " calls");
  }
  known.push_back(block);
  return block;
}

std::vector<ax::Rect> HighlightMeasurer::mergeLines(const std::vector<ax::Rect>& rects) {
  std::vector<ax::Rect> out;
  for (const ax::Rect& r : rects) {
    bool merged = false;
    for (auto e = out.rbegin(); e != out.rend(); ++e) {
      const bool sameLine = std::abs(centreY(r) - centreY(*e)) < std::max(3.0, 0.3 * r.height);
      const bool near = r.x - (e->x + e->width) <= 80 && e->x - (r.x + r.width) <= 80;
      if (sameLine && near) {
        *e = unite(*e, r);
        merged = true;
        break;
      }
    }
    if (!merged) out.push_back(r);
  }
  return out;
}

}  // namespace orvak
