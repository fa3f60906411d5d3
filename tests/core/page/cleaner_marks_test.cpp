// Node marks, pieces and piece filters.
#include <gtest/gtest.h>

#include "core/page/cleaner_stages.h"
#include "core/text/text.h"
#include "tests/core/page/cleaner_page.h"

namespace detail = orvak::Cleaner::detail;
using orvak::Frame;
using orvak::testing::N;
using orvak::testing::Page;
using orvak::testing::prose;

namespace {

detail::PageModes browser() { return detail::PageModes::from("com.apple.Safari", std::nullopt); }

std::optional<std::string> ownMark(const Page& page, int id, detail::PageModes modes = browser()) {
  detail::NodeTree tree(page.nodes());
  detail::markNodes(tree, modes);
  return tree.mark(id);
}

}  // namespace

TEST(CleanerMarksTest, FirstRuleThatAppliesGivesTheMark) {
  struct Case {
    N node;
    std::optional<std::string> mark;
  };
  const Case cases[] = {
      {{.role = "AXButton", .secure = true}, "secure"},
      {{.role = "AXButton", .subrole = "AXLandmarkNavigation"}, "role:AXButton"},
      {{.role = "AXGroup", .subrole = "AXLandmarkNavigation", .classes = {{"sidebar"}}}, "subrole:AXLandmarkNavigation"},
      {{.role = "AXGroup", .classes = {{"intro", "SIDEBAR", "nav"}}}, "class:SIDEBAR"},
      {{.role = "AXGroup", .classes = {{"Sidebar-Left"}}}, std::nullopt},
      {{.role = "AXGroup", .classes = {{"story", "ArticleRelatedLinks", "promo-box"}}}, "class:ArticleRelatedLinks"},
      {{.role = "AXGroup", .subrole = "AXLandmarkMain"}, std::nullopt},
  };
  for (const Case& c : cases) {
    Page page;
    const int web = page.add(0, {.role = "AXWebArea"});
    const int id = page.add(web, c.node);
    page.text(id, "short text");
    EXPECT_EQ(ownMark(page, id), c.mark) << c.node.role << " " << c.mark.value_or("none");
  }
}

TEST(CleanerMarksTest, JunkClassHidesOnlySubtreesWithoutALongText) {
  for (const auto& [length, marked] : {std::pair{149, true}, std::pair{150, false}}) {
    Page page;
    const int box = page.add(0, {.classes = {{"newsletter-signup"}}});
    const int inner = page.add(box, {});
    page.text(inner, prose(40));
    page.text(inner, prose(length, 1));
    EXPECT_EQ(ownMark(page, box).has_value(), marked) << length;
  }
}

TEST(CleanerMarksTest, NestedWebAreaIsAFrameUnlessItHoldsALargeTextArea) {
  for (const auto& [length, marked] : {std::pair{499, true}, std::pair{500, false}}) {
    Page page;
    const int web = page.add(0, {.role = "AXWebArea"});
    page.text(web, prose(200, 4));  // a page with a story of its own around the frame
    const int group = page.add(web, {});
    const int frame = page.add(group, {.role = "AXWebArea"});
    page.text(page.add(frame, {}), prose(length), "AXTextArea");
    EXPECT_EQ(ownMark(page, frame), marked ? std::optional<std::string>("iframe") : std::nullopt) << length;
    EXPECT_EQ(ownMark(page, web), std::nullopt);
  }
}

TEST(CleanerMarksTest, APageWithTooLittleTextOfItsOwnReadsItsLargestFrame) {
  // The page around the frames holds a line of its own: up to 99 characters it is a bare wrapper
  // whose story lives in a frame; from 100 on, its frames are ads and embeds again.
  for (const auto& [own, spared] : {std::pair{99, true}, std::pair{100, false}}) {
    Page page;
    const int web = page.add(0, {.role = "AXWebArea"});
    page.text(web, prose(own));
    const int ad = page.add(web, {.role = "AXWebArea"});
    page.text(ad, prose(60, 1));
    const int story = page.add(page.add(web, {}), {.role = "AXWebArea"});
    page.text(story, prose(900, 2));
    const int inner = page.add(story, {.role = "AXWebArea"});
    page.text(inner, prose(80, 3));
    detail::NodeTree tree(page.nodes());
    detail::markNodes(tree, browser());
    EXPECT_EQ(tree.mark(story), spared ? std::nullopt : std::optional<std::string>("iframe")) << own;
    EXPECT_EQ(tree.mark(ad), "iframe") << own;
    EXPECT_EQ(tree.mark(inner), "iframe") << "the story's own frames are still frames " << own;
  }
}

TEST(CleanerMarksTest, FigureCaptions) {
  struct Case {
    const char* what;
    int captionLength;
    int extraChildren;
    bool imageHasText;
    const char* bundle;
    bool marked;
  };
  const Case cases[] = {
      {"caption of 300", 300, 0, false, "com.apple.Safari", true},
      {"caption of 301", 301, 0, false, "com.apple.Safari", false},
      {"five children", 100, 3, false, "com.apple.Safari", false},
      {"image holding text", 100, 0, true, "com.apple.Safari", false},
      {"in Mail", 100, 0, false, "com.apple.mail", false},
      {"in Preview", 100, 0, false, "com.apple.Preview", false},
  };
  for (const Case& c : cases) {
    Page page;
    const int web = page.add(0, {.role = "AXWebArea"});
    const int figure = page.add(web, {.role = "AXFigure"});
    const int image = page.add(figure, {});
    page.add(image, {.role = "AXImage"});
    if (c.imageHasText) page.text(image, "alt");
    for (int k = 0; k < c.extraChildren; ++k) page.add(figure, {});
    const int caption = page.add(figure, {});
    page.text(caption, prose(c.captionLength));
    const auto mark = ownMark(page, caption, detail::PageModes::from(c.bundle, std::nullopt));
    EXPECT_EQ(mark == "figure-caption", c.marked) << c.what;
  }
}

TEST(CleanerMarksTest, PiecesAreCountedUnderTheNearestMarkedAncestor) {
  Page page;
  const int nav = page.add(0, {.subrole = "AXLandmarkNavigation"});
  const int menu = page.add(nav, {.role = "AXMenu"});  // marked too, and nearer
  page.text(menu, "Sections");
  page.text(nav, "Home page");
  page.text(page.add(0, {.role = "AXButton", .secure = true}), "x");
  page.text(page.add(0, {.classes = {{"footer"}}}), "");  // empty text still counts a piece
  const int outside = page.add(0, {});
  page.text(outside, "Outside text");
  const int region = page.add(0, {});
  const int inside = page.text(region, "Inside text");

  detail::NodeTree tree(page.nodes());
  detail::markNodes(tree, browser());
  detail::DropCounters dropped;
  const auto pieces = detail::collectPieces(tree, region, browser(), dropped);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].node, inside);
  EXPECT_EQ(dropped.chars, (std::map<std::string, int>{
                               {"class", 0}, {"outside-region", 12}, {"role", 8}, {"secure", 1}, {"subrole", 9}}));
  EXPECT_EQ(dropped.pieces, (std::map<std::string, int>{
                                {"class", 1}, {"outside-region", 1}, {"role", 1}, {"secure", 1}, {"subrole", 1}}));
}

TEST(CleanerMarksTest, PieceFilters) {
  struct Case {
    std::string text;
    std::string role;
    const char* reason;  // nullptr: kept
  };
  const Case cases[] = {
      {"Breaking\u0011 news", "AXStaticText", "a11y-live"},
      {"\u2022 \u2022 \u2022", "AXStaticText", "symbol-only"},
      {" \u200b ", "AXStaticText", "symbol-only"},
      {"  Show\u00a0More ", "AXStaticText", "ui-label"},
      {"Show more replies", "AXStaticText", nullptr},
      {"3:45 PM EST", "AXStaticText", "timestamp"},
      {"1.2K", "AXStaticText", "count"},
      {"12345678", "AXStaticText", "count"},
      {"123456789", "AXStaticText", nullptr},  // 9 characters: never tested as a count
      {"1.2K views", "AXStaticText", nullptr},
      {"Jane", "AXStaticText", "repeated-short"},
      {"Jane", "AXStaticText", "repeated-short"},
      {"Jane", "AXStaticText", "repeated-short"},
      {"Tom", "AXStaticText", nullptr},
      {"Tom", "AXStaticText", nullptr},
      {"Ann", "AXTextArea", nullptr},
      {"Ann", "AXTextArea", nullptr},
      {"Ann", "AXTextArea", nullptr},
      {"\u00c9t\u00e9", "AXStaticText", "repeated-short"},  // canonically equal spellings
      {"E\u0301te\u0301", "AXStaticText", "repeated-short"},
      {"\u00c9t\u00e9", "AXStaticText", "repeated-short"},
  };
  Page page;
  std::vector<detail::Piece> pieces;
  for (const Case& c : cases) {
    const int id = page.text(0, c.text, c.role);
    pieces.push_back({id, c.text, {}, orvak::text::graphemeCount(c.text)});
  }
  detail::NodeTree tree(page.nodes());
  detail::DropCounters dropped;
  const auto kept = detail::filterPieces(pieces, tree, dropped);

  std::map<std::string, int> expectedPieces;
  std::vector<int> expectedKept;
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    if (cases[k].reason) {
      ++expectedPieces[cases[k].reason];
    } else {
      expectedKept.push_back(int(k) + 1);
    }
  }
  std::vector<int> keptIds;
  for (const auto& p : kept) keptIds.push_back(p.node);
  EXPECT_EQ(keptIds, expectedKept);
  EXPECT_EQ(dropped.pieces, expectedPieces);
  EXPECT_EQ(dropped.chars.at("ui-label"), 12);  // counted before normalising
  EXPECT_EQ(dropped.chars.at("repeated-short"), 3 * 4 + 3 * 3);
}
