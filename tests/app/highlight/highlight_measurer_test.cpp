#include "app/highlight/highlight_measurer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/sim/text_layout.h"
#include "tests/support/rect_print.h"

namespace orvak {
namespace {

using BoundsFn = std::function<std::optional<ax::Rect>(std::int64_t location, std::int64_t length)>;

// An element that answers only bounds queries, from a function, and counts
// them.
class BoundsElement final : public ax::ElementImpl {
 public:
  explicit BoundsElement(BoundsFn fn) : fn_(std::move(fn)) {}
  mutable int calls = 0;
  bool sameElement(const ax::ElementImpl& other) const override { return &other == this; }
  std::size_t hash() const override { return reinterpret_cast<std::size_t>(this); }
  ax::Result<ax::Value> attribute(std::string_view) const override { return ax::Error::noValue; }
  ax::Result<std::vector<ax::Value>> attributes(std::span<const std::string_view>) const override {
    return ax::Error::noValue;
  }
  ax::Result<ax::Value> parameterizedAttribute(std::string_view name, const ax::Value& p) const override {
    ++calls;
    const auto* range = p.as<ax::Range>();
    if (name != "AXBoundsForRange" || !range) return ax::Error::noValue;
    if (auto r = fn_(range->location, range->length)) return ax::Value(*r);
    return ax::Error::noValue;
  }
  ax::Error setAttribute(std::string_view, const ax::Value&) const override { return ax::Error::noValue; }
  ax::Error performAction(std::string_view) const override { return ax::Error::noValue; }
  ax::Error setMessagingTimeout(double) const override { return ax::Error::success; }
  ax::Result<ax::Element> elementAtPosition(double, double) const override { return ax::Error::noValue; }
  ax::Result<pid_t> pid() const override { return pid_t{1}; }

 private:
  BoundsFn fn_;
};

std::u16string u16(const std::string& s) {
  const auto u = text::toUtf16(s);
  return std::u16string(u.getBuffer(), static_cast<std::size_t>(u.length()));
}

std::vector<std::string> chars(const std::string& s) {
  std::vector<std::string> out;
  for (auto g : text::graphemes(s)) out.emplace_back(g);
  return out;
}

// A fixed-pitch layout (8 × 18 per unit) of `text` in a frame `width` wide.
BoundsFn laidOut(const std::string& text, double width) {
  auto layout = std::make_shared<sim::TextLayout>(u16(text), ax::Rect{100, 200, width, 400}, sim::LayoutMetrics{});
  return [layout](std::int64_t loc, std::int64_t len) { return layout->boundsForRange({loc, len}); };
}

struct Measured {
  std::vector<ax::Rect> rects;
  int calls = 0;
};

// Measures cleaned-text range [from, to) of one element whose raw and cleaned
// text are `text`.
Measured measureOne(const std::string& text, BoundsFn fn, int from, int to, bool pdf = false,
                    std::optional<std::string> spoken = std::nullopt) {
  auto impl = std::make_shared<BoundsElement>(std::move(fn));
  const int count = text::graphemeCount(spoken ? *spoken : text);
  HighlightMeasurer m({ax::Element(impl)}, {text}, {{0, 0, count}}, pdf);
  m.setSpokenText(chars(spoken ? *spoken : text));
  return {m.measure({from, to}), impl->calls};
}

std::string words(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += (i ? " " : "") + std::string("w") + std::to_string(i % 10);
  return s;
}

TEST(HighlightMeasurerTest, GeneralPathCases) {
  const std::string oneLine = "No river runs straight for long.";
  const std::string wrapped =
      "No river runs straight for long. A small bend, "
      "once started, feeds itself.";
  struct Case {
    std::string name;
    std::string text;
    BoundsFn fn;
    int from, to;
    std::vector<ax::Rect> rects;
    int calls;
  };
  std::vector<ax::Rect> fifteenLines;  // 120 words of "wN " at 8 a line
  for (int i = 0; i < 15; ++i) fifteenLines.push_back({100, 200 + 18.0 * i, 184, 18});
  const std::vector<Case> cases = {
      // Whole range and its first character: same height, one line.
      {"one line", oneLine, laidOut(oneLine, 800), 0, 32, {{100, 200, 256, 18}}, 2},
      // 200 points hold 25 units: four lines, each the union of its words
      // (spaces at line ends left out).
      {"four lines from words",
       wrapped,
       laidOut(wrapped, 200),
       0,
       74,
       {{100, 200, 176, 18}, {100, 218, 184, 18}, {100, 236, 152, 18}, {100, 254, 56, 18}},
       2 + 13},
      // 121 words on several lines: their one bounding rectangle, no word
      // queries.
      {"over 120 words",
       words(121),
       laidOut(words(121), 200),
       0,
       text::graphemeCount(words(121)),
       {{100, 200, 192, 18 * 16}},
       2},
      {"120 words are still measured by word", words(120), laidOut(words(120), 200), 0, text::graphemeCount(words(120)),
       fifteenLines, 2 + 120},
      {"one line of many words", words(120), laidOut(words(120), 200), 0, 2, {{100, 200, 16, 18}}, 2},
      // Rectangles one point thin vanish.
      {"thin rectangle dropped",
       oneLine,
       [](auto, auto) {
         return ax::Rect{10, 10, 40, 1};
       },
       0,
       5,
       {},
       2},
      {"narrow rectangle dropped",
       oneLine,
       [](auto, auto) {
         return ax::Rect{10, 10, 1, 20};
       },
       0,
       5,
       {},
       2},
      {"no bounds at all", oneLine, [](auto, auto) { return std::optional<ax::Rect>(); }, 0, 5, {}, 1},
  };
  for (const auto& c : cases) {
    const auto got = measureOne(c.text, c.fn, c.from, c.to);
    EXPECT_EQ(got.rects, c.rects) << c.name;
    EXPECT_EQ(got.calls, c.calls) << c.name;
  }
}

TEST(HighlightMeasurerTest, SpanLocationInTheElementsText) {
  const std::string raw = "Menu  Home\nNo river runs straight for long.";
  auto fn = laidOut(raw, 800);
  // The cleaned text kept only the sentence; its characters are found after the
  // menu.
  auto impl = std::make_shared<BoundsElement>(fn);
  const std::string cleaned = "No river runs straight for long.";
  HighlightMeasurer found({ax::Element(impl)}, {raw}, {{0, 0, 32}}, false);
  found.setSpokenText(chars(cleaned));
  EXPECT_EQ(found.measure({0, 2}), (std::vector<ax::Rect>{{100, 218, 16, 18}})) << "\"No\" on the second line";

  // Without the cleaned text the span is taken to start at the element's first
  // character.
  HighlightMeasurer blind({ax::Element(impl)}, {raw}, {{0, 0, 32}}, false);
  EXPECT_EQ(blind.measure({0, 2}), (std::vector<ax::Rect>{{100, 200, 16, 18}}));

  // A span whose first characters are not in the element any more gives
  // nothing.
  HighlightMeasurer gone({ax::Element(impl)}, {raw}, {{0, 0, 32}}, false);
  gone.setSpokenText(chars("Edited away since the capture ran."));
  EXPECT_TRUE(gone.measure({0, 5}).empty());

  // A span pointing at no element, or at one without text, is skipped.
  HighlightMeasurer dangling({ax::Element(impl)}, {std::nullopt}, {{0, 0, 32}, {3, 0, 32}}, false);
  EXPECT_TRUE(dangling.measure({0, 5}).empty());
}

TEST(HighlightMeasurerTest, MergeLinesJoinsNeighboursOnOneLineOnly) {
  using R = std::vector<ax::Rect>;
  EXPECT_EQ(HighlightMeasurer::mergeLines({{0, 0, 20, 18}, {100, 0, 20, 18}}), (R{{0, 0, 120, 18}})) << "gap of 80";
  EXPECT_EQ(HighlightMeasurer::mergeLines({{0, 0, 20, 18}, {101, 0, 20, 18}}), (R{{0, 0, 20, 18}, {101, 0, 20, 18}}))
      << "gap of 81";
  EXPECT_EQ(HighlightMeasurer::mergeLines({{0, 0, 20, 18}, {10, 18, 20, 18}, {40, 2, 20, 18}}),
            (R{{0, 0, 60, 20}, {10, 18, 20, 18}}))
      << "a later piece of an earlier line joins that line";
}

// A block-measured page: every character of a block answers the block's box top
// and height, lines showing only as left edges jumping back.
struct BlockPage {
  std::string text;
  double y = 300, h = 36;
  std::function<double(std::int64_t)> width = [](std::int64_t) { return 6.0; };
  int columns = 10;
  BoundsFn fn() const {
    return [*this](std::int64_t loc, std::int64_t len) -> std::optional<ax::Rect> {
      if (len != 1 || loc < 0 || loc >= static_cast<std::int64_t>(text.size())) return std::nullopt;
      const auto col = loc % columns;
      return ax::Rect{50 + 6.0 * static_cast<double>(col), y, width(loc), h};
    };
  }
};

TEST(HighlightMeasurerTest, BlockPathRebuildsLinesFromCharacters) {
  BlockPage page{std::string(30, 'x')};  // three lines of ten
  auto got = measureOne(page.text, page.fn(), 0, 30, true);
  EXPECT_EQ(got.rects, (std::vector<ax::Rect>{{50, 300, 60, 12}, {50, 312, 60, 12}, {50, 324, 60, 12}}));

  // The block is measured once; a second range inside it costs no more
  // requests.
  auto impl = std::make_shared<BoundsElement>(page.fn());
  HighlightMeasurer m({ax::Element(impl)}, {page.text}, {{0, 0, 30}}, true);
  m.setSpokenText(chars(page.text));
  EXPECT_EQ(m.measure({12, 15}), (std::vector<ax::Rect>{{62, 312, 18, 12}}));
  const int calls = impl->calls;
  EXPECT_EQ(m.measure({21, 23}), (std::vector<ax::Rect>{{56, 324, 12, 12}}));
  EXPECT_EQ(impl->calls, calls);

  // A character far wider than the rest starts no line and widens nothing.
  BlockPage wide{std::string(20, 'x')};
  wide.width = [](std::int64_t at) { return at == 15 ? 40.0 : 6.0; };
  EXPECT_EQ(measureOne(wide.text, wide.fn(), 10, 20, true).rects, (std::vector<ax::Rect>{{50, 318, 60, 18}}));
}

TEST(HighlightMeasurerTest, BlockPathProbesAreBounded) {
  BlockPage huge{std::string(30000, 'x')};
  huge.columns = 30000;  // one endless line
  auto impl = std::make_shared<BoundsElement>(huge.fn());
  HighlightMeasurer m({ax::Element(impl)}, {huge.text}, {{0, 0, 30000}}, true);
  m.setSpokenText(chars(huge.text));
  const auto block = m.pdfBlock(ax::Element(impl), 0, 20000, u16(huge.text));
  ASSERT_TRUE(block);
  EXPECT_EQ(block->start, 20000 - HighlightMeasurer::kBackProbes);
  EXPECT_EQ(impl->calls, HighlightMeasurer::kBlockProbes);
  // The scan stopped at its limit before reaching the anchor's end; the block
  // still covers it.
  EXPECT_EQ(block->end, 20001);
}

}  // namespace
}  // namespace orvak
