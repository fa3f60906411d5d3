#include "core/base/json.h"
#include "platform/ax.h"

#include <gtest/gtest.h>

#include <unordered_set>

#include "core/base/dispatch.h"
#include "platform/sim/sim_desktop.h"

namespace ax = orvak::ax;

TEST(AXValueTest, ConvertsToTheIntendedAlternative) {
  EXPECT_TRUE(ax::Value("text").is<std::string>()) << "a literal is text, never a boolean";
  EXPECT_TRUE(ax::Value(std::string("text")).is<std::string>());
  EXPECT_TRUE(ax::Value(true).is<bool>());
  EXPECT_TRUE(ax::Value(3).is<double>());
  EXPECT_TRUE(ax::Value(std::int64_t{3}).is<double>());
  EXPECT_TRUE(ax::Value(ax::Range{1, 2}).is<ax::Range>());
  EXPECT_TRUE(ax::Value(ax::TextList{"a"}).is<ax::TextList>());
  EXPECT_EQ(ax::Value(), ax::Value(ax::Error::noValue));
  EXPECT_EQ(ax::Value(3).as<std::string>(), nullptr);
  EXPECT_EQ(*ax::Value(3).as<double>(), 3.0);
}

TEST(AXValueTest, ErrorCodesKeepTheirNumbers) {
  EXPECT_EQ(ax::code(ax::Error::invalidUIElement), -25202);
  EXPECT_EQ(ax::code(ax::Error::cannotComplete), -25204);
  EXPECT_EQ(ax::code(ax::Error::noValue), -25212);
  EXPECT_EQ(ax::errorName(ax::Error::attributeUnsupported), "attributeUnsupported");
  EXPECT_EQ(ax::errorName(static_cast<ax::Error>(-1)), "unknown");
}

TEST(AXElementTest, EqualityAndHashingFollowTheElementNotTheHandle) {
  auto desktop = orvak::sim::SimDesktop::fromJson(orvak::json::parse(
      R"({"applications": [{"pid": 3, "windows": [{"ref": "w", "children": [{"ref": "a"}, {"ref": "b"}]}]}]})"));
  auto other = orvak::sim::SimDesktop::fromJson(orvak::json::parse(R"({"applications": [{"pid": 3, "windows": [{"ref": "w"}]}]})"));
  std::unordered_set<ax::Element> seen{desktop->element("a"), desktop->element("b")};
  EXPECT_TRUE(seen.contains(desktop->element("a")));
  EXPECT_FALSE(seen.contains(desktop->element("w")));
  EXPECT_NE(desktop->element("w"), other->element("w")) << "same place in another desktop is another element";
  EXPECT_EQ(ax::Element(), ax::Element());
  EXPECT_NE(ax::Element(), desktop->element("w"));
}

TEST(AXElementTest, HandlesOutliveTheDesktopObject) {
  ax::Element kept;
  {
    auto desktop = orvak::sim::SimDesktop::fromJson(
        orvak::json::parse(R"({"applications": [{"pid": 3, "windows": [{"ref": "w", "title": "Kept"}]}]})"));
    kept = desktop->element("w");
  }
  EXPECT_EQ(kept.attribute("AXTitle").value, ax::Value("Kept"));
}

TEST(AXElementTest, ConcurrentReadersAndAChangingSceneDoNotTrip) {
  auto desktop = orvak::sim::SimDesktop::fromJson(orvak::json::parse(
      R"({"applications": [{"pid": 3, "windows": [{"ref": "w", "children": [{"ref": "list", "role": "AXList"}]}]}]})"));
  const ax::Element list = desktop->element("list");
  std::atomic<int> reads{0};
  std::vector<std::shared_ptr<orvak::dispatch::Queue>> queues;
  for (int q = 0; q < 3; ++q) {
    queues.push_back(orvak::dispatch::makeQueue("orvak.test.reader" + std::to_string(q)));
    queues.back()->async([&] {
      for (int i = 0; i < 300; ++i) {
        auto kids = list.attribute("AXChildren");
        if (kids.ok()) {
          for (const auto& k : *kids.value.as<ax::ElementList>()) (void)k.attribute("AXValue");
        }
        ++reads;
      }
    });
  }
  for (int i = 0; i < 100; ++i) {
    desktop->apply(orvak::json::parse(R"([{"appendChildren": "list", "children": [{"role": "AXStaticText", "value": "x"}]}])"));
  }
  for (auto& q : queues) q->sync([] {});
  EXPECT_EQ(reads.load(), 900);
  EXPECT_EQ(list.attribute("AXChildren").value.as<ax::ElementList>()->size(), 100u);
}
