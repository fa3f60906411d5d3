// Capturing Debian's Chromium showing the sample article, through the AT-SPI backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <variant>

#include "app/capture/ax_walker.h"
#include "app/capture/capturer.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/timing.h"
#include "platform/linux/atspi_desktop.h"
#include "platform/linux/proc_apps.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "tests/desktop/child_process.h"
#include "tests/desktop/program_in_front.h"
#include "tests/support/temp_home.h"

namespace orvak {
namespace {

std::string fixturePage(const char* name) {
  return "file://" + (std::filesystem::path(ORVAK_SOURCE_DIR) / "tests/fixtures/pages" / name).string();
}

std::unique_ptr<test::ChildProcess> startChromium(const std::string& url, std::vector<std::string> extra = {}) {
  std::vector<std::string> argv{"chromium", "--no-sandbox", "--force-renderer-accessibility", "--test-type",
                                "--no-first-run", "--disable-gpu", "--disable-dev-shm-usage",
                                "--user-data-dir=" + test::freshDir("chromium").string(), "--window-size=1200,900"};
  argv.insert(argv.end(), extra.begin(), extra.end());
  argv.push_back(url);
  return std::make_unique<test::ChildProcess>(argv, std::vector<std::string>{}, true);
}

// The browser's application element once it shows a window: the browser registers with the
// accessibility bus some time after it starts.
std::optional<ax::Element> waitForWindows(atspi::AtspiDesktop& desktop, pid_t pid) {
  std::optional<ax::Element> found;
  test::pollUntil(60, [&] {
    const ax::Element application = desktop.application(pid);
    auto windows = application.attribute("AXWindows");
    if (windows.ok() && !windows.value.as<ax::ElementList>()->empty()) found = application;
    return found.has_value();
  });
  return found;
}

bool recorded(const WalkResult& r, std::string_view text) {
  return std::any_of(r.nodes.begin(), r.nodes.end(),
                     [&](const AXNode& n) { return n.text && n.text->find(text) != std::string::npos; });
}

TEST(Chromium, WalkLeavesOutHiddenViewsButKeepsThePageBelowTheWindow) {
  const std::string url = fixturePage("article.html");
  const auto browser = startChromium(url);
  auto desktop = std::make_shared<atspi::AtspiDesktop>();
  ASSERT_TRUE(desktop->isProcessTrusted());
  const char* lastParagraph = "Many of these lenses are still in their towers.";
  std::optional<WalkResult> walk;
  ASSERT_TRUE(test::pollUntil(60, [&] {
    const auto window = AXWalker::pickWindow(desktop->application(browser->pid()));
    if (!window) return false;
    auto r = AXWalker::walk(*window);
    if (r.url != url || !recorded(r, lastParagraph)) return false;
    // The window takes the page's title a little after the document is there; until then its
    // caption is the new tab's, which is not a hidden view.
    if (r.nodes.empty() || r.nodes.front().title != std::string("The Lens That Folded Light - Chromium")) return false;
    walk = std::move(r);
    return true;
  })) << "the paragraph below the window's bottom edge was never walked";

  const double windowBottom = (*walk->windowFrame)[1] + (*walk->windowFrame)[3];
  const auto last = std::find_if(walk->nodes.begin(), walk->nodes.end(), [&](const AXNode& n) {
    return n.text && n.text->find(lastParagraph) != std::string::npos;
  });
  ASSERT_TRUE(last->frame);
  EXPECT_GT((*last->frame)[1], windowBottom) << "the test needs a paragraph scrolled out of view";
  // The browser keeps its window buttons and a caption in the tree, hidden (no window manager
  // here asks it to draw its own frame).
  for (const char* hidden : {"Minimize", "Maximize", "Untitled - Chromium"}) {
    EXPECT_FALSE(std::any_of(walk->nodes.begin(), walk->nodes.end(), [&](const AXNode& n) {
      return n.title == hidden || n.text == hidden;
    })) << hidden;
  }
}

// Fetching the tree ahead, many requests at a time, changes how fast a page is walked, never what
// is walked: the same nodes in the same order as a walk that asks one element at a time, for far
// fewer requests.
TEST(Chromium, AWalkFetchedAheadRecordsWhatAWalkOneElementAtATimeRecords) {
  for (const char* page : {"article.html", "iframe.html"}) {
    SCOPED_TRACE(page);
    const std::string url = fixturePage(page);
    const auto browser = startChromium(url);
    auto desktop = std::make_shared<atspi::AtspiDesktop>();
    ASSERT_TRUE(desktop->isProcessTrusted());
    std::optional<ax::Element> window;
    std::size_t settled = 0;
    // Settled once two walks a moment apart agree on the nodes, with the page's title on the window.
    ASSERT_TRUE(test::pollUntil(60, [&] {
      window = AXWalker::pickWindow(desktop->application(browser->pid()));
      if (!window) return false;
      const auto r = AXWalker::walk(*window, {.readAhead = false});
      const bool titled = !r.nodes.empty() && r.nodes.front().title && r.nodes.front().title->ends_with(" - Chromium") &&
                          !r.nodes.front().title->starts_with("Untitled");
      const bool same = r.url == url && titled && r.nodes.size() == settled;
      settled = r.nodes.size();
      return same;
    }));

    const std::uint64_t before = desktop->requestCount();
    const auto live = AXWalker::walk(*window, {.readAhead = false});
    const std::uint64_t between = desktop->requestCount();
    const auto methodsBetween = desktop->requestsByMethod();
    const auto ahead = AXWalker::walk(*window);
    const std::uint64_t after = desktop->requestCount();
    const auto methodsAfter = desktop->requestsByMethod();
    const auto askedAhead = [&](const std::string& method) {
      const auto a = methodsAfter.find(method);
      const auto b = methodsBetween.find(method);
      return (a == methodsAfter.end() ? 0 : a->second) - (b == methodsBetween.end() ? 0 : b->second);
    };

    ASSERT_FALSE(live.truncated);
    ASSERT_FALSE(ahead.truncated);
    EXPECT_EQ(ahead.windowTitle, live.windowTitle);
    EXPECT_EQ(ahead.windowFrame, live.windowFrame);
    EXPECT_EQ(ahead.url, live.url);
    EXPECT_EQ(ahead.cappedLists, live.cappedLists);
    ASSERT_EQ(ahead.nodes.size(), live.nodes.size());
    for (std::size_t i = 0; i < live.nodes.size(); ++i) {
      if (ahead.nodes[i] != live.nodes[i]) {
        ADD_FAILURE() << "node " << i << " fetched ahead:\n"
                      << json::Json(ahead.nodes[i]).dump() << "\none element at a time:\n"
                      << json::Json(live.nodes[i]).dump();
        break;
      }
    }
    EXPECT_LT(2 * (after - between), between - before)
        << "fetched ahead: " << after - between << " requests, one element at a time: " << between - before
        << ", for " << live.nodes.size() << " nodes";
    // The page's elements take their roles from the document's collection queries: only the
    // browser's own elements around the page are asked one by one.
    std::vector<bool> inPage(live.nodes.size(), false);
    for (std::size_t i = 0; i < live.nodes.size(); ++i) {
      if (const auto p = live.nodes[i].parent) {
        const auto up = static_cast<std::size_t>(*p);
        inPage[i] = inPage[up] || live.nodes[up].role == "AXWebArea";
      }
    }
    const auto outside = static_cast<std::uint64_t>(std::count(inPage.begin(), inPage.end(), false));
    EXPECT_GT(askedAhead("Collection.GetMatches"), 0U);
    EXPECT_LE(askedAhead("Accessible.GetRole"), outside)
        << "roles asked one by one for " << live.nodes.size() << " nodes, " << outside << " of them outside the page";
    // Chromium gives every run of text as a child of its own: only the texts the walk reads are
    // asked for, never a parent's to cut it into runs.
    const auto textsRead = static_cast<std::uint64_t>(std::count_if(live.nodes.begin(), live.nodes.end(), [](const AXNode& n) {
      return n.childCount == 0 || AXWalker::isValueTextRole(n.role);
    }));
    EXPECT_LE(askedAhead("Text.GetText"), textsRead) << "texts asked for " << live.nodes.size() << " nodes";
  }
}

// Captures the browser in front, as the X11 workspace describes it from its window's class,
// until `wanted` takes a capture (bounded).
std::optional<Capture> captureUntil(const std::shared_ptr<atspi::AtspiDesktop>& desktop, pid_t pid,
                                    const std::function<bool(const Capture&)>& wanted) {
  const auto front = x11::describeProcess(pid, std::pair<std::string, std::string>{"chromium", "Chromium"});
  EXPECT_TRUE(front);
  if (!front) return std::nullopt;
  EXPECT_EQ(front->bundleId, "chromium");
  auto sim = sim::SimDesktop::fromJson(json::Json::parse(R"({"applications": []})"));
  auto capturer = Capturer::make(desktop, std::make_shared<test::ProgramInFront>(*front),
                                 std::make_shared<sim::SimEvents>(sim));
  std::optional<Capture> capture;
  test::pollUntil(60, [&] {
    std::optional<CaptureOutcome> outcome;
    capturer->capture(Clock::now(), [&](CaptureOutcome o) { outcome = std::move(o); });
    if (!dispatch::mainloop::runUntil([&] { return outcome.has_value(); }, 60)) return false;
    auto* c = std::get_if<Capture>(&*outcome);
    if (c != nullptr && wanted(*c)) capture = *c;
    return capture.has_value();
  });
  return capture;
}

// A page whose own text is only a header and whose story sits in an iframe reads the story, not
// the address bar.
TEST(Chromium, APageWhoseStoryIsInAnIframeReadsTheStory) {
  const std::string url = fixturePage("iframe.html");
  const auto browser = startChromium(url);
  auto desktop = std::make_shared<atspi::AtspiDesktop>();
  ASSERT_TRUE(desktop->isProcessTrusted());
  ASSERT_TRUE(waitForWindows(*desktop, browser->pid()));
  std::string last;
  const auto capture = captureUntil(desktop, browser->pid(), [&](const Capture& c) {
    last = c.windowTitle.value_or("(none)") + " / " + c.clean.regionStrategy + ": " + c.clean.text.substr(0, 200);
    return c.url == url && c.clean.chars >= 300 && c.windowTitle == "Tides of the Narrow Sea - Chromium";
  });
  ASSERT_TRUE(capture) << "last capture: " << last;
  const std::string& text = capture->clean.text;
  EXPECT_NE(text.find("Twice a day the narrow sea empties out of the bay"), std::string::npos) << text;
  EXPECT_NE(text.find("a low hiss across the sand"), std::string::npos) << text;
  EXPECT_EQ(text.find("file://"), std::string::npos) << text;
}

TEST(Chromium, CaptureReadsTheArticleWithoutNavigationAndComments) {
  const std::string url = fixturePage("article.html");
  const auto browser = startChromium(url);
  auto desktop = std::make_shared<atspi::AtspiDesktop>();
  ASSERT_TRUE(desktop->isProcessTrusted());
  ASSERT_TRUE(waitForWindows(*desktop, browser->pid()));
  // The page may still be loading at the first try, and the window takes the page's title a little
  // after the document is there: retry until both have arrived.
  const std::string title = "The Lens That Folded Light - Chromium";
  std::string lastTitle;
  const auto capture = captureUntil(desktop, browser->pid(), [&](const Capture& c) {
    lastTitle = c.windowTitle.value_or("(none)");
    return c.url == url && c.clean.chars > 1000 && c.windowTitle == title;
  });
  ASSERT_TRUE(capture) << "last window title: " << lastTitle;
  EXPECT_FALSE(capture->isPrivate);

  const std::string& text = capture->clean.text;
  EXPECT_NE(text.find("For most of history a lighthouse was a fire on a hill"), std::string::npos) << text;
  EXPECT_NE(text.find("Rings instead of a block"), std::string::npos) << text;
  EXPECT_NE(text.find("Many of these lenses are still in their towers."), std::string::npos) << text;
  for (const char* absent : {"Lighthouses", "Shipwrecks", "Most read", "harbourwatch", "My grandfather",
                             "fourth order lens in the maritime museum", "All rights reserved"}) {
    EXPECT_EQ(text.find(absent), std::string::npos) << absent;
  }
}

// The reader's band follows the sentence by asking the page to scroll its element into view: a
// heading (an object of its own) and a run of text inside a paragraph (a piece of its parent's
// text) each come onto the screen from far below it.
TEST(Chromium, ScrollingBringsTextFromBelowTheFoldOntoTheScreen) {
  const auto browser = startChromium(fixturePage("below_the_fold.html"));
  atspi::AtspiDesktop desktop;
  const auto found = waitForWindows(desktop, browser->pid());
  ASSERT_TRUE(found);
  const ax::Element application = *found;

  struct Target {
    const char* text;
    ax::Element element;
  };
  std::vector<Target> targets = {{"The heading far below", {}}, {"The second stop lies ", {}}};
  ASSERT_TRUE(test::pollUntil(60, [&] {
    const auto window = AXWalker::pickWindow(application);
    if (!window) return false;
    const auto walk = AXWalker::walk(*window);
    for (auto& t : targets) {
      for (std::size_t i = 0; i < walk.nodes.size(); ++i) {
        if (walk.nodes[i].role == "AXStaticText" && walk.nodes[i].text == t.text) t.element = walk.elements[i];
      }
    }
    return std::all_of(targets.begin(), targets.end(), [](const Target& t) { return bool(t.element); });
  }));

  constexpr double screenHeight = 1024;
  for (const auto& t : targets) {
    SCOPED_TRACE(t.text);
    const auto before = AXWalker::frame(t.element);
    ASSERT_TRUE(before);
    ASSERT_GT((*before)[1], screenHeight);
    EXPECT_EQ(t.element.performAction("AXScrollToVisible"), ax::Error::success);
    std::optional<Frame> after;
    EXPECT_TRUE(test::pollUntil(10, [&] {
      after = AXWalker::frame(t.element);
      return after && (*after)[1] >= 0 && (*after)[1] + (*after)[3] <= screenHeight;
    })) << "still at y " << (after ? (*after)[1] : -1) << ", was at " << (*before)[1];
  }
}

// Chromium on Linux leaves its private windows' titles as they are: its profile button tells.
TEST(Chromium, AnIncognitoWindowIsPrivate) {
  const std::string url = fixturePage("article.html");
  const auto browser = startChromium(url, {"--incognito"});
  auto desktop = std::make_shared<atspi::AtspiDesktop>();
  ASSERT_TRUE(waitForWindows(*desktop, browser->pid()));
  const auto capture = captureUntil(desktop, browser->pid(), [&](const Capture& c) {
    return c.url == url && c.clean.chars > 1000;
  });
  ASSERT_TRUE(capture);
  EXPECT_TRUE(capture->isPrivate) << "title: " << capture->windowTitle.value_or("(none)");
}

}  // namespace
}  // namespace orvak
