// Reading region choice, sidebar and link-dense marks, and the descend rule.
#include <gtest/gtest.h>

#include "core/page/cleaner_stages.h"
#include "tests/core/page/cleaner_page.h"

namespace detail = orvak::Cleaner::detail;
using orvak::Frame;
using orvak::testing::N;
using orvak::testing::Page;
using orvak::testing::prose;

namespace {

detail::Region regionOf(const Page& page, const std::optional<std::string>& bundle = "com.apple.Safari",
                        const std::optional<Frame>& window = std::nullopt) {
  detail::NodeTree tree(page.nodes());
  const auto modes = detail::PageModes::from(bundle, std::nullopt);
  detail::markNodes(tree, modes);
  return detail::chooseRegion(tree, window, modes);
}

int article(Page& page, int parent, int chars, int seed) {
  const int a = page.add(parent, {.subrole = "AXDocumentArticle"});
  page.text(a, prose(chars, seed));
  return a;
}

}  // namespace

TEST(CleanerRegionTest, ArticlesAndTheirCommonAncestor) {
  struct Case {
    int first, second;
    std::string strategy;
  };
  for (const Case& c : {Case{60, 0, "article"}, Case{60, 40, "article"}, Case{60, 50, "articles-lca(2)"}}) {
    Page page;
    const int web = page.add(0, {.role = "AXWebArea"});
    const int column = page.add(web, {});
    const int a = article(page, page.add(column, {}), c.first, 1);
    if (c.second) article(page, page.add(column, {}), c.second, 2);
    const auto r = regionOf(page);
    EXPECT_EQ(r.strategy, c.strategy) << c.second;
    EXPECT_EQ(r.node, c.strategy == "article" ? a : column) << c.second;
  }
}

TEST(CleanerRegionTest, LandmarkYieldsToADominantInnerArticle) {
  for (const auto& [articleChars, strategy] :
       {std::pair{500, "landmark-main>article"}, std::pair{499, "landmark-main"}}) {
    Page page;
    const int main = page.add(0, {.domId = "Main"});
    const int a = article(page, main, articleChars, 1);
    page.text(main, prose(1000 - articleChars, 2));
    const auto r = regionOf(page);
    EXPECT_EQ(r.strategy, strategy);
    EXPECT_EQ(r.node, std::string(strategy) == "landmark-main" ? main : a);
  }
}

TEST(CleanerRegionTest, RulesInPrecedence) {
  // Each page holds every weaker kind of candidate as well as the one that should win.
  Page page;
  // Two texts each, so that no single child is large enough to descend into.
  const int web1 = page.add(0, {.role = "AXWebArea"});
  page.text(web1, prose(75, 1));
  page.text(web1, prose(75, 11));
  const int web2 = page.add(0, {.role = "AXWebArea"});  // equally large: the first wins
  page.text(web2, prose(75, 2));
  page.text(web2, prose(75, 12));
  EXPECT_EQ(regionOf(page).strategy, "largest-webarea");
  EXPECT_EQ(regionOf(page).node, web1);

  const int priority = page.add(web2, {.domId = "Content"});
  page.text(priority, prose(250, 3));
  EXPECT_EQ(regionOf(page).strategy, "priority-class");
  EXPECT_EQ(regionOf(page).node, priority);

  article(page, web1, 60, 4);
  EXPECT_EQ(regionOf(page).strategy, "article");

  const int main = page.add(web2, {.subrole = "AXLandmarkMain"});
  page.text(main, prose(250, 5));
  EXPECT_EQ(regionOf(page).strategy, "landmark-main");

  const int doc = page.add(web2, {.role = "AXTextArea", .text = prose(40, 6), .title = "Document content"});
  EXPECT_EQ(regionOf(page).strategy, "gdocs-document");
  EXPECT_EQ(regionOf(page).node, doc);
  page[doc].text = prose(39, 6);
  EXPECT_EQ(regionOf(page).strategy, "landmark-main");
}

TEST(CleanerRegionTest, MailMessageNeedsAWebArea) {
  Page page;
  const int header = page.add(0, {.role = "AXTextArea", .text = "From: Ann\nLunch plans\nTo: Bob"});
  (void)header;
  EXPECT_EQ(regionOf(page, "com.apple.mail").mailSubject, std::nullopt);

  const int body = page.add(0, {.role = "AXWebArea"});
  page.text(body, prose(60, 1));
  page.text(body, prose(60, 2));
  const auto r = regionOf(page, "com.apple.mail");
  EXPECT_EQ(r.strategy, "mail-message");
  EXPECT_EQ(r.node, body);
  EXPECT_EQ(r.mailSubject, "Lunch plans");
  EXPECT_EQ(regionOf(page, "com.apple.Safari").strategy, "largest-webarea");
}

TEST(CleanerRegionTest, SidebarGeometry) {
  struct Case {
    double windowWidth;
    double sidebarWidth;
    bool marked;
  };
  const Case cases[] = {
      {1000, 279, true},
      {1000, 280, false},  // exactly 0.28 of the window
      {600, 100, false},   // no sidebar test on narrow windows
      {601, 100, true},
  };
  for (const Case& c : cases) {
    Page page;
    const int web = page.add(0, {.role = "AXWebArea"});
    const int body = page.add(web, {.subrole = "AXLandmarkMain"});
    page.text(body, prose(400, 1));
    const int side = page.add(web, {.frame = Frame{c.windowWidth - c.sidebarWidth, 0, c.sidebarWidth, 500}});
    page.text(side, prose(150, 2));
    detail::NodeTree tree(page.nodes());
    const auto modes = detail::PageModes::from("com.apple.Safari", std::nullopt);
    detail::markNodes(tree, modes);
    detail::chooseRegion(tree, Frame{0, 0, c.windowWidth, 800}, modes);
    EXPECT_EQ(tree.mark(side) == "geometry:sidebar", c.marked) << c.windowWidth << " " << c.sidebarWidth;
  }
}

TEST(CleanerRegionTest, LinkDenseLists) {
  struct Case {
    int links;
    int linkChars;
    int plainChars;
    bool marked;
  };
  const Case cases[] = {
      {3, 105, 45, true},    // 70 % link text, 35 per link
      {3, 104, 46, false},   // just under 70 %
      {2, 105, 45, false},   // too few links
      {3, 120, 0, false},    // 40 characters per link
      {75, 2925, 75, false}, // 3,000 characters: never
  };
  for (const Case& c : cases) {
    Page page;
    const int main = page.add(0, {.subrole = "AXLandmarkMain"});
    page.text(main, prose(500, 9));
    const int list = page.add(0, {.role = "AXList"});
    for (int k = 0; k < c.links; ++k) {
      const int each = c.linkChars / c.links + (k < c.linkChars % c.links ? 1 : 0);
      page.text(page.add(list, {.role = "AXLink"}), prose(each, k));
    }
    if (c.plainChars) page.text(list, prose(c.plainChars, 99));
    detail::NodeTree tree(page.nodes());
    const auto modes = detail::PageModes::from("com.apple.Safari", std::nullopt);
    detail::markNodes(tree, modes);
    detail::chooseRegion(tree, std::nullopt, modes);
    EXPECT_EQ(tree.mark(list) == "link-dense", c.marked) << c.links << " " << c.linkChars;
  }
}

TEST(CleanerRegionTest, DescendsIntoADominantChild) {
  for (const auto& [childChars, descends] : {std::pair{80, true}, std::pair{79, false}}) {
    Page page;
    const int wrapper = page.add(0, {});
    const int child = page.add(wrapper, {});
    page.text(child, prose(40, 1));
    page.text(child, prose(childChars - 40, 3));
    page.text(wrapper, prose(100 - childChars, 2));
    const auto r = regionOf(page);
    // The window always hands down to the wrapper, which holds everything.
    EXPECT_EQ(r.strategy, "window+descend");
    EXPECT_EQ(r.node, descends ? child : wrapper);
  }
  const auto empty = regionOf(Page());
  EXPECT_EQ(empty.strategy, "window");
  EXPECT_EQ(empty.node, 0);
}
