#include "app/capture/ax_walker.h"

#include <gtest/gtest.h>

#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"

namespace ax = orvak::ax;
namespace json = orvak::json;
using orvak::AXNode;
using orvak::WalkResult;
using orvak::sim::SimDesktop;
namespace AXWalker = orvak::AXWalker;

namespace {

// A desktop with one application (pid 1) whose one window ("win") holds `children`.
std::shared_ptr<SimDesktop> windowWith(const std::string& children, const std::string& windowExtras = "") {
  return SimDesktop::fromJson(json::parse(R"({"applications": [{"pid": 1, "windows": [{"ref": "win", )" +
                                          windowExtras + R"("title": "Window", "frame": [0, 0, 800, 600], "children": )" +
                                          children + "}]}]}"));
}

WalkResult walkWindow(SimDesktop& desktop) { return AXWalker::walk(desktop.element("win")); }

const AXNode* byRole(const WalkResult& r, std::string_view role) {
  for (const auto& n : r.nodes) {
    if (n.role == role) return &n;
  }
  return nullptr;
}

}  // namespace

TEST(AXWalkerTest, ChoosesEachElementsTextByTheRules) {
  struct Case {
    const char* name;
    const char* element;
    std::optional<std::string> text;
    std::optional<std::string> source;
    std::int64_t attrCalls;  // the window's and this element's
    std::size_t nodes;       // in the whole walk
  };
  const Case cases[] = {
      {"text field value wins, children unvisited",
       R"({"role": "AXTextField", "value": "word", "children": [{"role": "AXStaticText", "value": "inner"}]})", "word",
       "value", 3, 2},
      {"blank value and no characters fall to the title",
       R"({"role": "AXStaticText", "value": " \n", "title": " Heading ", "attributes": {"AXNumberOfCharacters": 0}})",
       " Heading ", "title", 3, 2},
      {"text only through ranges counts two more requests", R"({"role": "AXStaticText", "text": "ranged text"})",
       "ranged text", "stringForRange", 5, 2},
      {"blank ranged text is no text", R"({"role": "AXStaticText", "text": "  \n\t"})", std::nullopt, std::nullopt, 3, 2},
      {"attributed value gives its string", R"({"role": "AXStaticText", "attributes": {"AXValue": {"attributed": "styled"}}})",
       "styled", "value", 3, 2},
      {"a number is not text", R"({"role": "AXStaticText", "attributes": {"AXValue": 42}, "desc": "Count"})", "Count",
       "description", 3, 2},
      {"leaf image keeps its description out", R"({"role": "AXImage", "desc": "A photo"})", std::nullopt, std::nullopt, 3,
       2},
      {"leaf button says its description", R"({"role": "AXButton", "desc": "Reload"})", "Reload", "description", 3, 2},
      {"group with children and a title has no text of its own",
       R"({"role": "AXGroup", "title": "Group", "children": [{"role": "AXStaticText", "value": "inside"}]})",
       std::nullopt, std::nullopt, 4, 3},
      {"static text with children and an empty value: no text, children visited",
       R"({"role": "AXStaticText", "children": [{"role": "AXStaticText", "value": "inside"}]})", std::nullopt,
       std::nullopt, 5, 3},
  };
  for (const auto& c : cases) {
    auto desktop = windowWith(std::string("[") + c.element + "]");
    const auto r = walkWindow(*desktop);
    ASSERT_GE(r.nodes.size(), 2u) << c.name;
    EXPECT_EQ(r.nodes[1].text, c.text) << c.name;
    EXPECT_EQ(r.nodes[1].textSource, c.source) << c.name;
    // The window has children, so it costs only its batched read.
    EXPECT_EQ(r.attrCalls, c.attrCalls) << c.name;
    EXPECT_EQ(r.nodes.size(), c.nodes) << c.name;
  }
}

TEST(AXWalkerTest, RecordsTheTreeInPreOrderWithFramesAndWebFields) {
  auto desktop = windowWith(R"([
    {"role": "AXWebArea", "url": "https://first.example/a", "domClasses": ["page", "dark"], "domId": "root",
     "frame": [0, 20, 800, 580], "subrole": "AXLandmarkMain",
     "children": [{"role": "AXStaticText", "value": "One"}, {"role": "AXWebArea", "url": "https://inner.example/"}]},
    {"role": "AXWebArea", "url": "https://second.example/b"},
    {"role": "AXStaticText", "value": "Two", "domId": "  "}
  ])");
  const auto r = walkWindow(*desktop);
  ASSERT_EQ(r.nodes.size(), 6u);
  EXPECT_FALSE(r.truncated);
  EXPECT_EQ(r.windowTitle, "Window");
  EXPECT_EQ(r.windowFrame, (orvak::Frame{0, 0, 800, 600}));
  EXPECT_EQ(r.url, "https://first.example/a") << "the first web area in visiting order";

  const std::vector<std::pair<std::optional<std::int64_t>, std::int64_t>> tree = {
      {std::nullopt, 0}, {0, 1}, {1, 2}, {1, 2}, {0, 1}, {0, 1}};
  for (std::size_t i = 0; i < r.nodes.size(); ++i) {
    EXPECT_EQ(r.nodes[i].id, static_cast<std::int64_t>(i));
    EXPECT_EQ(r.nodes[i].parent, tree[i].first) << i;
    EXPECT_EQ(r.nodes[i].depth, tree[i].second) << i;
  }
  EXPECT_EQ(r.nodes[0].role, "AXWindow");
  EXPECT_EQ(r.nodes[0].childCount, 3);
  EXPECT_EQ(r.nodes[0].subrole, "AXStandardWindow");
  const AXNode& web = r.nodes[1];
  EXPECT_EQ(web.frame, (orvak::Frame{0, 20, 800, 580}));
  EXPECT_EQ(web.domClasses, (std::vector<std::string>{"page", "dark"}));
  EXPECT_EQ(web.domId, "root");
  EXPECT_EQ(web.subrole, "AXLandmarkMain");
  EXPECT_EQ(r.nodes[2].text, "One");
  EXPECT_FALSE(r.nodes[2].frame) << "no frame unless both position and size are read";
  EXPECT_EQ(r.nodes[5].text, "Two");
  EXPECT_FALSE(r.nodes[5].domId) << "a blank DOM identifier is absent";
  // The element list runs parallel to the nodes.
  ASSERT_EQ(r.elements.size(), r.nodes.size());
  const auto children = desktop->element("win").attribute("AXChildren");
  const auto* top = children.value.as<ax::ElementList>();
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(r.elements[0], desktop->element("win"));
  EXPECT_EQ(r.elements[1], (*top)[0]);
  EXPECT_EQ(r.elements[4], (*top)[1]);
  EXPECT_EQ(r.elements[5], (*top)[2]);
}

TEST(AXWalkerTest, SecureFieldsAreNeverReadNorEntered) {
  auto desktop = windowWith(R"([
    {"ref": "pw", "role": "AXSecureTextField", "value": "hunter2", "title": "Password",
     "children": [{"role": "AXStaticText", "value": "hunter2"}]},
    {"role": "AXGroup", "subrole": "AXsEcUrEfield", "children": [{"role": "AXStaticText", "value": "pin 1234"}]},
    {"role": "AXTextArea", "subrole": "SecureNote", "value": "secret"}
  ])");
  const auto r = walkWindow(*desktop);
  ASSERT_EQ(r.nodes.size(), 4u) << "nothing below a secure element is visited";
  for (std::size_t i = 1; i < r.nodes.size(); ++i) {
    EXPECT_TRUE(r.nodes[i].secureSkipped) << i;
    EXPECT_FALSE(r.nodes[i].text) << i;
    EXPECT_FALSE(r.nodes[i].textSource) << i;
    EXPECT_FALSE(r.nodes[i].caret) << i;
  }
  EXPECT_EQ(r.nodes[1].title, "Password") << "the label is still recorded";
  EXPECT_EQ(r.nodes[1].childCount, 1);
  EXPECT_EQ(r.attrCalls, 4) << "one batched read each, nothing more";
}

TEST(AXWalkerTest, HiddenElementsAreLeftOutWithEverythingBelowThem) {
  // A closed menu and a popover stay in a toolkit's tree; the walk records neither them nor what
  // they hold, and goes on with their next sibling.
  auto desktop = windowWith(R"([
    {"role": "AXMenu", "title": "File", "attributes": {"AXHidden": true},
     "children": [{"role": "AXMenuItem", "title": "Open Recent"}]},
    {"role": "AXStaticText", "value": "The page itself.", "attributes": {"AXHidden": false}},
    {"role": "AXGroup", "children": [
      {"role": "AXPopover", "attributes": {"AXHidden": true}, "children": [{"role": "AXStaticText", "value": "Tip"}]},
      {"role": "AXStaticText", "value": "Its second paragraph."}]}
  ])");
  const auto r = walkWindow(*desktop);
  std::vector<std::string> texts;
  for (const auto& n : r.nodes) texts.push_back(n.text.value_or(n.role));
  EXPECT_EQ(texts, (std::vector<std::string>{"AXWindow", "The page itself.", "AXGroup", "Its second paragraph."}));
  EXPECT_EQ(r.nodes[2].childCount, 2) << "the parent still reports every child it has";
  EXPECT_EQ(r.nodes[3].parent, 2);
}

TEST(AXWalkerTest, TablesAndOutlinesAreCutToTheirFirstTwelveChildren) {
  std::string rows;
  for (int i = 1; i <= 30; ++i) rows += std::string(i > 1 ? "," : "") + R"({"role": "AXRow", "title": "row )" + std::to_string(i) + "\"}";
  std::string twelve;
  for (int i = 1; i <= 12; ++i) twelve += std::string(i > 1 ? "," : "") + R"({"role": "AXRow"})";
  auto desktop = windowWith(R"([{"role": "AXTable", "children": [)" + rows + R"(]},
                                {"role": "AXOutline", "children": [)" + rows + R"(]},
                                {"role": "AXTable", "children": [)" + twelve + R"(]},
                                {"role": "AXList", "children": [)" + rows + "]}]");
  const auto r = walkWindow(*desktop);
  EXPECT_EQ(r.cappedLists, 2);
  std::vector<std::int64_t> visitedRows(r.nodes.size(), 0);
  for (const auto& n : r.nodes) {
    if (n.parent) ++visitedRows[static_cast<std::size_t>(*n.parent)];
  }
  const AXNode* table = byRole(r, "AXTable");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->childCount, 30);
  EXPECT_EQ(visitedRows[static_cast<std::size_t>(table->id)], 12);
  EXPECT_EQ(r.nodes[static_cast<std::size_t>(table->id) + 12].text, "row 12") << "the first twelve, in order";
  EXPECT_EQ(visitedRows[static_cast<std::size_t>(byRole(r, "AXOutline")->id)], 12);
  EXPECT_EQ(visitedRows[static_cast<std::size_t>(byRole(r, "AXList")->id)], 30) << "other roles are not cut";
  EXPECT_EQ(r.nodes.size(), 1u + 4 + 12 + 12 + 12 + 30);
}

TEST(AXWalkerTest, DepthStopsAtNinetyEvenInACycle) {
  // An element that lists itself as its own child: an endless chain.
  auto desktop = windowWith(R"([{"ref": "loop", "role": "AXGroup", "attributes": {"AXChildren": {"elements": ["loop"]}}}])");
  const auto r = walkWindow(*desktop);
  ASSERT_EQ(r.nodes.size(), 91u);
  EXPECT_FALSE(r.truncated);
  EXPECT_EQ(r.nodes.back().depth, 90);
  EXPECT_EQ(r.nodes.back().childCount, 1) << "recorded, with its children left unvisited";
}

TEST(AXWalkerTest, NodeLimitHoldsAtExactlyThirtyThousand) {
  // The node limit is under test, not the time budget: a loaded machine must not reach it first.
  orvak::dispatch::VirtualTime vt;
  for (const std::size_t reachable : {std::size_t{30'000}, std::size_t{30'001}}) {
    auto desktop = windowWith(R"([{"ref": "leaf", "role": "AXStaticText", "value": "x"}])");
    // The same leaf listed again and again: every listing is visited as an element of its own.
    desktop->setAttribute("win", "AXChildren", ax::ElementList(reachable - 1, desktop->element("leaf")));
    const auto r = walkWindow(*desktop);
    if (reachable == 30'000) {
      EXPECT_FALSE(r.truncated);
      EXPECT_FALSE(r.truncatedReason);
      EXPECT_EQ(r.nodes.size(), 30'000u);
    } else {
      EXPECT_TRUE(r.truncated);
      EXPECT_EQ(r.truncatedReason, "maxNodes");
      EXPECT_EQ(r.nodes.size(), 30'000u);
    }
    EXPECT_EQ(r.elements.size(), r.nodes.size());
    EXPECT_EQ(r.rawChars(), static_cast<std::int64_t>(r.nodes.size()) - 1);
  }
}

TEST(AXWalkerTest, EndlessAndHugeTreesStayBounded) {
  // The node limit is under test, not the time budget: a loaded machine must not reach it first.
  orvak::dispatch::VirtualTime vt;
  // Each group lists itself twice: a cycle that fans out without end.
  auto cycle = windowWith(R"([{"ref": "g", "role": "AXGroup", "attributes": {"AXChildren": {"elements": ["g", "g"]}}}])");
  const auto r1 = walkWindow(*cycle);
  EXPECT_EQ(r1.truncatedReason, "maxNodes");
  EXPECT_EQ(r1.nodes.size(), 30'000u);

  // A million children of one element: one list is held, not a million pending entries.
  auto wide = windowWith(R"([{"ref": "leaf", "role": "AXGroup"}])");
  wide->setAttribute("win", "AXChildren", ax::ElementList(1'000'000, wide->element("leaf")));
  const auto r2 = walkWindow(*wide);
  EXPECT_EQ(r2.truncatedReason, "maxNodes");
  EXPECT_EQ(r2.nodes.front().childCount, 1'000'000);
  EXPECT_EQ(r2.nodes.size(), 30'000u);
}

TEST(AXWalkerTest, TimeBudgetStopsBetweenElements) {
  orvak::dispatch::VirtualTime vt;
  std::string leaves;
  for (int i = 0; i < 100; ++i) leaves += std::string(i ? "," : "") + R"({"role": "AXGroup", "latency": 0.1})";
  auto desktop = windowWith("[" + leaves + "]");
  const auto r = walkWindow(*desktop);
  // Each leaf takes 0.3 s (its batched read, its value, its character count): the budget is
  // exceeded after the 17th (5.1 s).
  EXPECT_TRUE(r.truncated);
  EXPECT_EQ(r.truncatedReason, "timeBudget");
  EXPECT_EQ(r.nodes.size(), 18u);
  EXPECT_DOUBLE_EQ(r.ms, 5100);
}

TEST(AXWalkerTest, OneSlowElementIsBoundedByTheMessagingTimeOut) {
  orvak::dispatch::VirtualTime vt;
  auto desktop = windowWith(R"([{"role": "AXStaticText", "value": "fast"}, {"role": "AXStaticText", "value": "stuck", "latency": 30},
                                {"role": "AXStaticText", "value": "after"}])");
  desktop->systemWide().setMessagingTimeout(1.0);
  const auto r = walkWindow(*desktop);
  EXPECT_FALSE(r.truncated);
  ASSERT_EQ(r.nodes.size(), 3u) << "the stuck element's batched read timed out: it is skipped";
  EXPECT_EQ(r.nodes[2].text, "after");
  EXPECT_DOUBLE_EQ(r.ms, 1000);
}

TEST(AXWalkerTest, FailuresAreAbsorbed) {
  auto desktop = windowWith(R"([
    {"role": "AXGroup", "failBatch": "cannotComplete", "children": [{"role": "AXStaticText", "value": "lost"}]},
    {"role": "AXStaticText", "value": "kept", "errors": {"AXTitle": "cannotComplete", "AXSubrole": -25204}},
    {"attributes": {"AXRole": 7, "AXChildren": "not a list", "AXPosition": {"size": [1, 2]}, "AXSize": {"size": [3, 4]}}},
    {"role": "AXStaticText", "value": "gone", "invalid": true},
    {"role": "AXTextArea", "value": "Dear Sam, the caret sits here.", "caret": 12},
    {"role": "AXTextArea", "value": "  "},
    {"role": "AXTextArea", "value": "odd", "attributes": {"AXSelectedTextRange": {"range": [-1, 0]}}}
  ])");
  const auto r = walkWindow(*desktop);
  ASSERT_EQ(r.nodes.size(), 6u) << "the failed batch and the invalid element are skipped with their subtrees";
  EXPECT_EQ(r.nodes[1].text, "kept");
  EXPECT_FALSE(r.nodes[1].subrole);
  EXPECT_EQ(r.nodes[2].role, "?");
  EXPECT_EQ(r.nodes[2].childCount, 0);
  EXPECT_FALSE(r.nodes[2].frame);
  EXPECT_EQ(r.nodes[3].caret, 12);
  EXPECT_FALSE(r.nodes[4].caret) << "a text area without text gets no caret";
  EXPECT_FALSE(r.nodes[5].caret) << "a negative location is no caret";
  // window 1, failed 1, kept 2, odd-role 2, invalid 1, caret 3, empty area 2, odd caret 3.
  EXPECT_EQ(r.attrCalls, 15);

  // What the desktop was actually asked, for a text area without text: the walk's three reads
  // of the window's title and frame, the two batched reads, the value, the character count and
  // the (blank) range; no selection request.
  auto blank = windowWith(R"([{"role": "AXTextArea", "value": "  "}])");
  const auto before = blank->requestCount();
  const auto b = walkWindow(*blank);
  EXPECT_EQ(b.attrCalls, 3);
  EXPECT_EQ(blank->requestCount() - before, 8u);

  auto gone = windowWith("[]", R"("invalid": true, )");
  const auto empty = walkWindow(*gone);
  EXPECT_TRUE(empty.nodes.empty());
  EXPECT_FALSE(empty.truncated);
  EXPECT_FALSE(empty.windowTitle);
}

TEST(AXWalkerTest, RawCharsCountsUserPerceivedCharacters) {
  auto desktop = windowWith(R"([{"role": "AXStaticText", "value": "caf\u00e9"}, {"role": "AXStaticText", "value": "cafe\u0301"},
                                {"role": "AXStaticText", "value": "🇳🇴"}])");
  EXPECT_EQ(walkWindow(*desktop).rawChars(), 9);
  EXPECT_EQ(WalkResult{}.rawChars(), 0);
  auto silent = windowWith(R"([{"role": "AXGroup"}])");
  EXPECT_EQ(walkWindow(*silent).rawChars(), 0);
}

TEST(AXWalkerTest, PicksTheWindowToRead) {
  struct Case {
    const char* name;
    const char* app;  // window keys and the application's choice
    const char* expected;
  };
  const Case cases[] = {
      {"small focused standard window in front of a big main window",
       R"("focusedWindow": "f", "mainWindow": "m", "windows": [{"ref": "f", "frame": [0, 0, 400, 300]}, {"ref": "m", "frame": [0, 0, 1000, 1000]}])",
       "m"},
      {"focused window of a quarter or more",
       R"("focusedWindow": "f", "mainWindow": "m", "windows": [{"ref": "f", "frame": [0, 0, 600, 500]}, {"ref": "m", "frame": [0, 0, 1000, 1000]}])",
       "f"},
      {"exactly a quarter",
       R"("focusedWindow": "f", "mainWindow": "m", "windows": [{"ref": "f", "frame": [0, 0, 500, 500]}, {"ref": "m", "frame": [0, 0, 1000, 1000]}])",
       "f"},
      {"a dialog in front",
       R"("focusedWindow": "f", "mainWindow": "m", "windows": [{"ref": "f", "subrole": "AXDialog", "frame": [0, 0, 900, 900]}, {"ref": "m", "frame": [0, 0, 1000, 1000]}])",
       "m"},
      {"focused window without subrole",
       R"("focusedWindow": "f", "mainWindow": "m", "windows": [{"ref": "f", "subrole": null, "frame": [0, 0, 900, 900]}, {"ref": "m", "frame": [0, 0, 1000, 1000]}])",
       "m"},
      {"main window without a frame",
       R"("focusedWindow": "f", "mainWindow": "m", "windows": [{"ref": "f", "frame": [0, 0, 10, 10]}, {"ref": "m"}])", "f"},
      {"focused window without a frame", R"("focusedWindow": "f", "mainWindow": "m", "windows": [{"ref": "f"}, {"ref": "m", "frame": [0, 0, 10, 10]}])",
       "m"},
      {"focused and main the same", R"("focusedWindow": "f", "mainWindow": "f", "windows": [{"ref": "f", "subrole": "AXDialog"}])",
       "f"},
      {"only a focused window", R"("focusedWindow": "f", "mainWindow": null, "windows": [{"ref": "f", "subrole": "AXDialog"}])", "f"},
      {"only a main window", R"("focusedWindow": null, "mainWindow": "m", "windows": [{"ref": "x", "frame": [0, 0, 900, 900]}, {"ref": "m"}])",
       "m"},
      {"the largest listed window, ties keep the earlier",
       R"("focusedWindow": null, "mainWindow": null, "windows": [{"ref": "a", "frame": [0, 0, 10, 10]}, {"ref": "b", "frame": [0, 0, 10, 30]}, {"ref": "c", "frame": [0, 0, 30, 10]}])",
       "b"},
      {"a window without a frame never wins",
       R"("focusedWindow": null, "mainWindow": null, "windows": [{"ref": "a"}, {"ref": "b"}, {"ref": "c", "frame": [0, 0, 0, 0]}])",
       "a"},
      {"a focused value that is no element", R"("focusedWindow": null, "mainWindow": null, "attributes": {"AXFocusedWindow": "win"}, "windows": [{"ref": "a"}])",
       "a"},
  };
  for (const auto& c : cases) {
    auto desktop = SimDesktop::fromJson(json::parse(std::string(R"({"applications": [{"pid": 1, )") + c.app + "}]}"));
    const auto chosen = AXWalker::pickWindow(desktop->application(1));
    ASSERT_TRUE(chosen) << c.name;
    EXPECT_EQ(*chosen, desktop->element(c.expected)) << c.name;
  }
  auto none = SimDesktop::fromJson(json::parse(R"({"applications": [{"pid": 1}]})"));
  EXPECT_FALSE(AXWalker::pickWindow(none->application(1)));
  EXPECT_FALSE(AXWalker::pickWindow(none->application(2)));
}

TEST(AXWalkerTest, SingleReadHelpersAcceptOnlyTheirKinds) {
  auto desktop = windowWith(R"([
    {"ref": "u1", "attributes": {"AXURL": "https://text.example/"}},
    {"ref": "u2", "attributes": {"AXURL": 5}},
    {"ref": "big", "role": "AXStaticText", "text": "abc", "attributes": {"AXNumberOfCharacters": 1e12}},
    {"ref": "nan", "role": "AXStaticText", "text": "abc", "attributes": {"AXNumberOfCharacters": "3"}}
  ])");
  EXPECT_EQ(AXWalker::url(desktop->element("u1")), "https://text.example/");
  EXPECT_FALSE(AXWalker::url(desktop->element("u2")));
  // A huge count asks for at most 300,000 units, which this short text cannot give.
  EXPECT_FALSE(AXWalker::stringForRange(desktop->element("big")));
  EXPECT_FALSE(AXWalker::stringForRange(desktop->element("nan")));
  desktop->setAttribute("big", "AXNumberOfCharacters", 3);
  EXPECT_EQ(AXWalker::stringForRange(desktop->element("big")), "abc");
  EXPECT_EQ(AXWalker::string(desktop->element("win"), "AXTitle"), "Window");
  EXPECT_FALSE(AXWalker::string(desktop->element("win"), "AXSize"));
  // Broken UTF-8 from another process is repaired where it enters.
  desktop->setAttribute("u1", "AXValue", std::string("ok\xff\xfe end"));
  EXPECT_EQ(AXWalker::stringValue(desktop->element("u1")), "ok\uFFFD\uFFFD end");
  EXPECT_TRUE(AXWalker::isSecure("AXTextField", std::string("AXSecureField")));
  EXPECT_FALSE(AXWalker::isSecure("AXTextField", std::nullopt));
}

TEST(AXWalkerTest, WalksTheExampleArticle) {
  auto desktop = SimDesktop::load("tests/fixtures/scenes/article.scene.json");
  const auto window = AXWalker::pickWindow(desktop->application(desktop->frontmost()->pid));
  ASSERT_TRUE(window);
  const auto r = AXWalker::walk(*window);
  EXPECT_EQ(r.windowTitle, "Why Rivers Meander — The Field Notes");
  EXPECT_EQ(r.url, "https://fieldnotes.example.org/rivers/meander");
  EXPECT_FALSE(r.truncated);
  std::vector<std::string> texts;
  for (const auto& n : r.nodes) {
    if (n.text) texts.push_back(*n.text);
    EXPECT_NE(n.text, "hunter2");
  }
  ASSERT_GE(texts.size(), 6u);
  EXPECT_EQ(texts[0], "Back");
  EXPECT_EQ(texts[2], "https://fieldnotes.example.org/rivers/meander");
  EXPECT_EQ(byRole(r, "AXSecureTextField")->secureSkipped, true);
  EXPECT_FALSE(byRole(r, "AXImage")->text);
  EXPECT_FALSE(byRole(r, "AXHeading")->text) << "the heading's words are its child's";
}
