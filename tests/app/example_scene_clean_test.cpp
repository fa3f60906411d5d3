// The example article scene walked and cleaned as a capture would: its blocks must come out as
// the paragraphs a reader sees.
#include <gtest/gtest.h>

#include "app/capture/ax_walker.h"
#include "core/page/cleaner.h"
#include "platform/sim/sim_desktop.h"

using orvak::sim::SimDesktop;
namespace AXWalker = orvak::AXWalker;
namespace Cleaner = orvak::Cleaner;

TEST(ExampleSceneCleanTest, ArticleBlocksBecomeTheirOwnParagraphs) {
  auto desktop = SimDesktop::load("tests/fixtures/scenes/article.scene.json");
  const auto app = desktop->frontmost();
  ASSERT_TRUE(app);
  const auto window = AXWalker::pickWindow(desktop->application(app->pid));
  ASSERT_TRUE(window);
  const auto walk = AXWalker::walk(*window);
  const auto r = Cleaner::clean(walk.nodes, walk.windowFrame, app->bundleId, walk.url);

  // The byline is a block of its own, not the opening words of the first paragraph. Its
  // reading-time tail is no byline shape (a name list, then at most a comma clause), so it stays.
  EXPECT_EQ(r.text,
            "Why Rivers Meander\n\n"
            "By Mara Ellison \u00b7 6 min read\n\n"
            "No river runs straight for long. A small bend, once started, feeds itself: water on the outside of the "
            "curve moves faster and cuts the bank, while slower water on the inside drops its sand.\n\n"
            "Oxbow lakes form where a loop is finally cut off.\n\n"
            "Over centuries the loops grow until the neck between two of them breaks through. The river takes the "
            "shorter path, and the old loop is left behind as a curved lake.");
  EXPECT_EQ(r.regionStrategy, "article");
  EXPECT_EQ(r.droppedPiecesByReason.at("back-matter"), 2);
  EXPECT_EQ(r.headingStarts, (std::vector<int>{0}));
}
