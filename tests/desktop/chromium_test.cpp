// Capturing Debian's Chromium showing the sample article, through the AT-SPI backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "app/ax_walker.h"
#include "app/capturer.h"
#include "core/base/dispatch.h"
#include "core/base/timing.h"
#include "platform/linux/atspi_desktop.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "tests/desktop/child_process.h"
#include "tests/support/temp_home.h"

namespace orvak {
namespace {

// The browser in front, as the X11 workspace describes a Chromium process.
class BrowserInFront final : public platform::Workspace {
 public:
  explicit BrowserInFront(pid_t pid) : pid_(pid) {}
  std::optional<platform::RunningApplication> frontmostApplication() override {
    return platform::RunningApplication{"Chromium", std::nullopt, pid_, 1, {"chrome_100_percent.pak", "chromium"}};
  }
  pid_t ownPid() override { return ::getpid(); }
  std::vector<platform::WindowInfo> onScreenWindows() override { return {}; }
  std::optional<std::uint64_t> addActivationObserver(ActivationHandler) override { return std::nullopt; }
  void removeActivationObserver(std::uint64_t) override {}

 private:
  pid_t pid_;
};

std::string pageUrl(const char* name) {
  return "file://" + (std::filesystem::path(ORVAK_SOURCE_DIR) / "tests/fixtures/pages" / name).string();
}

test::ChildProcess startBrowser(const std::string& url) {
  return test::ChildProcess({"chromium", "--no-sandbox", "--force-renderer-accessibility", "--test-type",
                             "--no-first-run", "--disable-gpu", "--disable-dev-shm-usage",
                             "--user-data-dir=" + test::freshDir("chromium").string(), "--window-size=1200,900", url},
                            {}, true);
}

bool recorded(const WalkResult& r, std::string_view text) {
  return std::any_of(r.nodes.begin(), r.nodes.end(),
                     [&](const AXNode& n) { return n.text && n.text->find(text) != std::string::npos; });
}

TEST(Chromium, WalkLeavesOutHiddenViewsButKeepsThePageBelowTheWindow) {
  const std::string url = pageUrl("article.html");
  auto browser = startBrowser(url);
  auto desktop = std::make_shared<atspi::AtspiDesktop>();
  ASSERT_TRUE(desktop->isProcessTrusted());
  const char* lastParagraph = "Many of these lenses are still in their towers.";
  std::optional<WalkResult> walk;
  ASSERT_TRUE(test::pollUntil(60, [&] {
    const auto window = AXWalker::pickWindow(desktop->application(browser.pid()));
    if (!window) return false;
    auto r = AXWalker::walk(*window);
    if (r.url != url || !recorded(r, lastParagraph)) return false;
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

TEST(Chromium, CaptureReadsTheArticleWithoutNavigationAndComments) {
  const std::string url = pageUrl("article.html");
  auto browser = startBrowser(url);
  auto desktop = std::make_shared<atspi::AtspiDesktop>();
  ASSERT_TRUE(desktop->isProcessTrusted());
  // The browser registers with the accessibility bus some time after it starts.
  ASSERT_TRUE(test::pollUntil(60, [&] {
    auto windows = desktop->application(browser.pid()).attribute("AXWindows");
    return windows.ok() && !windows.value.as<ax::ElementList>()->empty();
  }));

  auto sim = sim::SimDesktop::fromJson(json::Json::parse(R"({"applications": []})"));
  auto capturer = Capturer::make(desktop, std::make_shared<BrowserInFront>(browser.pid()),
                                 std::make_shared<sim::SimEvents>(sim));
  // The page may still be loading at the first try, and the window takes the page's title a little
  // after the document is there: retry until both have arrived.
  const std::string title = "The Lens That Folded Light - Chromium";
  std::optional<Capture> capture;
  std::string lastTitle;
  ASSERT_TRUE(test::pollUntil(60, [&] {
    std::optional<CaptureOutcome> outcome;
    capturer->capture(Clock::now(), [&](CaptureOutcome o) { outcome = std::move(o); });
    if (!dispatch::mainloop::runUntil([&] { return outcome.has_value(); }, 60)) return false;
    auto* c = std::get_if<Capture>(&*outcome);
    if (c == nullptr) return false;
    lastTitle = c->windowTitle.value_or("(none)");
    if (c->url == url && c->clean.chars > 1000 && c->windowTitle == title) capture = *c;
    return capture.has_value();
  })) << "last window title: " << lastTitle;

  const std::string& text = capture->clean.text;
  EXPECT_NE(text.find("For most of history a lighthouse was a fire on a hill"), std::string::npos) << text;
  EXPECT_NE(text.find("Rings instead of a block"), std::string::npos) << text;
  EXPECT_NE(text.find("Many of these lenses are still in their towers."), std::string::npos) << text;
  for (const char* absent : {"Lighthouses", "Shipwrecks", "Most read", "harbourwatch", "My grandfather",
                             "fourth order lens in the maritime museum", "All rights reserved"}) {
    EXPECT_EQ(text.find(absent), std::string::npos) << absent;
  }
}

}  // namespace
}  // namespace orvak
