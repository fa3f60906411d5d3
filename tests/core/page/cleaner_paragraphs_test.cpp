// Pieces joined into paragraphs, text cursors, screen accounting and the line split.
#include <gtest/gtest.h>

#include "core/page/cleaner.h"
#include "core/page/cleaner_stages.h"
#include "core/text/text.h"
#include "tests/core/page/cleaner_page.h"

namespace detail = orvak::Cleaner::detail;
using orvak::Frame;
using orvak::TextSpan;
using orvak::testing::N;
using orvak::testing::Page;
using orvak::testing::texts;

namespace {

// Every node with text under the window becomes a piece, in order.
detail::Paragraphs paragraphsOf(const Page& page, const std::optional<Frame>& window = std::nullopt,
                                detail::DropCounters* counters = nullptr) {
  detail::NodeTree tree(page.nodes());
  tree.refresh();
  std::vector<detail::Piece> pieces;
  for (const auto& n : page.nodes()) {
    if (!n.text) continue;
    pieces.push_back({int(n.id), *n.text, orvak::Cleaner::norm(*n.text), orvak::text::graphemeCount(*n.text)});
  }
  detail::DropCounters local;
  return detail::buildParagraphs(tree, pieces, 0, window, counters ? *counters : local);
}

}  // namespace

TEST(CleanerParagraphsTest, JoiningSpacesFollowPunctuation) {
  const std::pair<std::pair<const char*, const char*>, const char*> cases[] = {
      {{"Hello", "world."}, "Hello world."},
      {{"Hello", ", world"}, "Hello, world"},
      {{"(", "see"}, "(see"},
      {{"costs", "%"}, "costs%"},
      {{"\u201c", "Quoted"}, "\u201cQuoted"},
      {{"Quoted", "\u201d"}, "Quoted\u201d"},
      {{"line\n", "next"}, "line next"},  // the trailing line feed is trimmed by norm
      {{"$", "5"}, "$5"},
      // A piece that opens with a combining mark merges it into the joining space or the bracket
      // before it: one character fewer than the two pieces' lengths add up to.
      {{"Hello", "\u0301world"}, "Hello \u0301world"},
      {{"(", "\u0301see"}, "(\u0301see"},
  };
  for (const auto& [pair, joined] : cases) {
    Page page;
    const int p = page.add(0, {});
    page.text(p, pair.first);
    page.text(p, pair.second);
    const auto paras = paragraphsOf(page).paras;
    ASSERT_EQ(paras.size(), 1u) << joined;
    EXPECT_EQ(paras[0].text, joined);
    // Spans cover exactly the normalised pieces.
    const int first = orvak::text::graphemeCount(orvak::Cleaner::norm(pair.first));
    EXPECT_EQ(paras[0].spans.front(), (TextSpan{2, 0, first}));
    EXPECT_EQ(paras[0].length, orvak::text::graphemeCount(paras[0].text)) << joined;
    EXPECT_EQ(paras[0].spans.back().end, paras[0].length);
  }
}

TEST(CleanerParagraphsTest, BreaksBetweenPieces) {
  struct Case {
    const char* what;
    double gap;       // between the first piece's bottom and the second's top
    double height;    // of the second piece
    bool sameParent;
    bool textArea;
    bool otherArticle;
    std::size_t paragraphs;
  };
  const Case cases[] = {
      {"gap 9 at height 30 is allowed", 9, 30, false, false, false, 1},
      {"gap 9.1 at height 30 breaks", 9.1, 30, false, false, false, 2},
      {"height over 40 allows 12", 12, 41, false, false, false, 1},
      {"height under 8 allows 3", 3.5, 7, false, false, false, 2},
      {"same parent never breaks on a gap", 500, 30, true, false, false, 1},
      {"a text area stands alone", 0, 30, true, true, false, 2},
      {"another article breaks", 0, 30, false, false, true, 2},
  };
  for (const Case& c : cases) {
    Page page;
    const int a = page.add(0, {});
    const int b = c.sameParent ? a : page.add(0, {.subrole = c.otherArticle ? std::optional<std::string>("AXDocumentArticle") : std::nullopt});
    page.add(a, {.role = "AXStaticText", .text = "First piece", .frame = Frame{0, 0, 100, 20}});
    page.add(b, {.role = c.textArea ? "AXTextArea" : "AXStaticText", .text = "second piece",
                 .frame = Frame{0, 20 + c.gap, 100, c.height}});
    EXPECT_EQ(paragraphsOf(page).paras.size(), c.paragraphs) << c.what;
  }
  // Pieces under different headings always break; without frames, different parents break.
  Page page;
  const int h = page.add(0, {.role = "AXHeading"});
  page.text(h, "Title");
  page.text(page.add(0, {}), "Body");
  page.text(page.add(0, {}), "More");
  EXPECT_EQ(texts(paragraphsOf(page).paras), (std::vector<std::string>{"Title", "Body", "More"}));
  EXPECT_TRUE(paragraphsOf(page).paras[0].heading);
}

TEST(CleanerParagraphsTest, TextCursorInParagraphCharacters) {
  struct Case {
    std::string text;
    std::int64_t caret;  // UTF-16 units into the node's own text
    int expected;        // characters into the paragraph
  };
  const Case cases[] = {
      {"Hi there", 3, 3},
      {"  Hi  there", 6, 3},               // blanks collapse and leading ones are trimmed
      {"\U0001F600 smile", 2, 1},           // after the emoji's two units
      {"\U0001F600 smile", 1, 0},           // inside the emoji: its start, not the end of the text
      {"e\u0301t\u00e9", 1, 0},             // inside a decomposed é
      {"short", 99, 5},                     // beyond the end: the end
  };
  for (const Case& c : cases) {
    Page page;
    const int p = page.add(0, {});
    page.text(p, "Lead");
    page.add(p, {.role = "AXTextArea", .text = c.text, .caret = c.caret});
    const auto paras = paragraphsOf(page).paras;
    ASSERT_EQ(paras.size(), 2u);  // a text area stands in its own paragraph
    EXPECT_EQ(paras[1].caret, c.expected) << c.text << " " << c.caret;
  }
  Page zero;
  zero.add(0, {.role = "AXTextArea", .text = "Text", .caret = 0});
  EXPECT_EQ(paragraphsOf(zero).paras[0].caret, std::nullopt);  // a caret at 0 says nothing
}

TEST(CleanerParagraphsTest, ScreenAccounting) {
  struct Case {
    std::optional<Frame> frame;
    std::optional<Frame> window;
    std::optional<bool> onScreen;
  };
  const Case cases[] = {
      {std::nullopt, Frame{0, 0, 800, 600}, std::nullopt},
      {Frame{10, 10, 1, 20}, Frame{0, 0, 800, 600}, false},   // 1 point wide
      {Frame{10, 10, 100, 20}, std::nullopt, true},           // no window: framed counts as on screen
      {Frame{10, 590, 100, 20}, Frame{0, 0, 800, 600}, true},
      {Frame{10, 600, 100, 20}, Frame{0, 0, 800, 600}, false},  // just below
      {Frame{-100, 10, 100, 20}, Frame{0, 0, 800, 600}, false},  // just left
  };
  for (const Case& c : cases) EXPECT_EQ(detail::onScreen(c.frame, c.window), c.onScreen);

  Page page;
  const int p = page.add(0, {});
  page.add(p, {.role = "AXStaticText", .text = "Seen", .frame = Frame{50, 10, 100, 20}});
  page.add(p, {.role = "AXStaticText", .text = "hidden", .frame = Frame{300, 10, 1, 20}});
  page.add(p, {.role = "AXStaticText", .text = "unknown"});
  const auto result = paragraphsOf(page, Frame{0, 0, 800, 600});
  EXPECT_TRUE(result.hasGeometry);
  const auto& para = result.paras.at(0);
  EXPECT_TRUE(para.visible);
  EXPECT_EQ(para.framedChars, 10);
  EXPECT_EQ(para.visibleChars, 4);
  EXPECT_EQ(para.minX, 50);
  EXPECT_EQ(para.maxX, 150);
}

TEST(CleanerParagraphsTest, LineSplitWithDuplicateLines) {
  Page page;
  const std::string repeated = "This line is exactly thirty ch";  // 30 characters
  const std::string shortRepeat = "Twenty-four characters!!";     // 24 characters
  page.text(page.add(0, {}), "A\n\nB");
  page.text(page.add(0, {}), repeated + "\n\n" + shortRepeat);
  page.text(page.add(0, {}), shortRepeat + "\n\n  \n\n" + repeated);
  detail::DropCounters dropped;
  const auto paras = paragraphsOf(page, std::nullopt, &dropped).paras;
  EXPECT_EQ(texts(paras), (std::vector<std::string>{"A", "B", repeated, shortRepeat, shortRepeat}));
  EXPECT_EQ(dropped.chars, (std::map<std::string, int>{{"dup-line", 30}}));
  EXPECT_EQ(dropped.pieces, (std::map<std::string, int>{{"dup-line", 1}}));
}

TEST(CleanerParagraphsTest, SpansAndCaretFollowTheirLine) {
  Page page;
  const int p = page.add(0, {});
  page.text(p, "One two");
  page.text(p, "three\n\n \tfour five");  // this piece's span crosses the blank line
  page.text(p, "six");
  auto paras = paragraphsOf(page).paras;
  ASSERT_EQ(texts(paras), (std::vector<std::string>{"One two three", "four five six"}));
  EXPECT_EQ(paras[0].spans, (std::vector<TextSpan>{{2, 0, 7}, {3, 8, 13}}));
  EXPECT_EQ(paras[1].spans, (std::vector<TextSpan>{{3, 0, 9}, {4, 10, 13}}));

  // A caret on the second line, after its leading blanks.
  detail::Para source;
  source.text = "first\n\n  second";
  source.length = 15;
  source.caret = 10;  // "se|cond" counted from the paragraph start
  source.spans = {{7, 0, 15}};
  detail::DropCounters dropped;
  const auto lines = detail::splitLines({source}, dropped);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].caret, std::nullopt);
  EXPECT_EQ(lines[1].caret, 1);
  EXPECT_EQ(lines[1].spans, (std::vector<TextSpan>{{7, 0, 6}}));

  // A line feed closing a CR LF is not the start of a blank line; a blank line after it is.
  for (const auto& [text, expected] :
       {std::pair<std::string, std::vector<std::string>>{"x\r\n\ny", {"x\r\n\ny"}},
        {"x\r\n\n\ny", {"x\r\n", "y"}}}) {
    detail::Para crlf;
    crlf.text = text;
    crlf.length = orvak::text::graphemeCount(text);
    crlf.spans = {{7, 0, crlf.length}};
    const auto split = detail::splitLines({crlf}, dropped);
    EXPECT_EQ(texts(split), expected);
    for (const auto& line : split) {
      EXPECT_EQ(line.length, orvak::text::graphemeCount(line.text));
      EXPECT_EQ(line.spans, (std::vector<TextSpan>{{7, 0, line.length}}));
    }
  }
}
