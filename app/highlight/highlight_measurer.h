// Turns a character range of the cleaned text being read into the screen
// rectangles of the text it came from, one per visual line, by asking the
// captured elements for the bounds of UTF-16 ranges.
//
// The cleaned text is not the elements' raw text: each span says which element
// a stretch of it came from, and `Cleaner::normMap` normalises an element's raw
// text the same way the cleaner did and maps every normalised character back to
// a UTF-16 offset. Accessibility calls go to another process and are slow, so a
// one-line range costs one call, several lines at most two plus one per word
// (up to 120), and a block-measured document measures each block once,
// character by character.
//
// Not thread-safe: one measurer belongs to one highlighter's serial queue, and
// its caches are used without locks.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/page/clean_result.h"
#include "core/text/text.h"
#include "platform/ax.h"

namespace orvak {

// A run of characters of a block-measured document that share one box: the
// anchor's top and height. Its lines are found where the left edge jumps back,
// each taking an equal share of `h`.
struct PDFBlock {
  struct Char {
    double x0 = 0;
    double x1 = 0;
    int line = 0;
    bool operator==(const Char&) const = default;
  };
  int start = 0;  // half-open UTF-16 range of the raw text
  int end = 0;
  double y = 0;
  double h = 0;
  int lines = 1;
  std::map<int, Char> chars;  // by UTF-16 offset
  bool operator==(const PDFBlock&) const = default;
};

class HighlightMeasurer {
 public:
  // Bounds on one block: probes walking back from the anchor, and probes in
  // all.
  static constexpr int kBackProbes = 6000;
  static constexpr int kBlockProbes = 11999;
  // Several-line ranges with more words than this are given as their one
  // bounding rectangle.
  static constexpr int kMaxWords = 120;

  HighlightMeasurer(std::vector<ax::Element> elements, std::vector<std::optional<std::string>> nodeTexts,
                    std::vector<TextSpan> spans, bool pdf);

  // The cleaned text's characters, the index space of every range; absent, each
  // span is assumed to start at the beginning of its element's normalised text.
  void setSpokenText(std::optional<std::vector<std::string>> characters) { spokenText_ = std::move(characters); }

  // The rectangles of cleaned-text range `range`, merged per line; empty when
  // nothing measures.
  std::vector<ax::Rect> measure(text::GraphemeRange range);

  // Where the span's text begins among `normalised` (the element's normalised
  // characters).
  std::optional<int> locate(const TextSpan& span, const std::vector<std::string>& normalised);
  // General path: the line rectangles of UTF-16 range [a, b) of `element`.
  std::vector<ax::Rect> lineRects(const ax::Element& element, int a, int b);
  // Block path: the line rectangles of [a, b) of element number `index`.
  std::vector<ax::Rect> pdfRects(const ax::Element& element, int index, int a, int b);
  std::optional<PDFBlock> pdfBlock(const ax::Element& element, int index, int a, const std::u16string& units);
  // The rectangle of the one character at `offset`, when it has a positive
  // width and height.
  std::optional<ax::Rect> pdfCharRect(const ax::Element& element, int offset);

  // Rectangles on one line (centres within max(3, 0.3 × height), at most 80
  // points apart) become their union.
  static std::vector<ax::Rect> mergeLines(const std::vector<ax::Rect>& rects);

  // Accessibility requests made so far (for the workbench and the benchmark).
  std::int64_t requests() const { return requests_; }
  // Blocks built so far on the block path (the first two are logged).
  int pdfBlockLogs() const { return pdfBlockLogs_; }

 private:
  struct NormEntry {
    std::vector<std::string> chars;  // the normalised text, one character each
    std::vector<int> utf16;          // per character plus a final entry: UTF-16 offset
                                     // in the raw text
  };
  std::optional<ax::Rect> bounds(const ax::Element& element, int location, int length);
  const NormEntry& normFor(int index, const std::string& raw);

  std::vector<ax::Element> elements_;
  std::vector<std::optional<std::string>> nodeTexts_;
  std::vector<TextSpan> spans_;
  bool pdf_;
  std::optional<std::vector<std::string>> spokenText_;

  std::unordered_map<int, NormEntry> maps_;
  std::unordered_map<std::string, int> spanOffsets_;
  std::unordered_map<int, std::vector<PDFBlock>> pdfBlocks_;
  std::optional<std::u16string> rawText_;
  int pdfBlockLogs_ = 0;
  std::int64_t requests_ = 0;
};

}  // namespace orvak
