#include "app/capture/click_tracker.h"

#include <gtest/gtest.h>

#include "tests/app/capture/capture_test_support.h"

namespace orvak {
namespace {

using test::CaptureHarness;
using test::Json;

const std::string kFirst = "No river runs straight for long. A small bend, once started,";
const std::string kSecond = "feeds itself and grows on the outside of every curve it makes.";

// One paragraph of two text runs; the second run holds an empty inline element ("inline") that
// produces no text of its own.
Json clickScene(Json top = Json::object()) {
  Json paragraph = {
      {"role", "AXGroup"},
      {"frame", {100, 100, 800, 60}},
      {"children",
       {{{"role", "AXStaticText"}, {"value", kFirst}, {"frame", {100, 100, 800, 20}}},
        {{"ref", "second"},
         {"role", "AXStaticText"},
         {"value", kSecond},
         {"frame", {100, 120, 800, 20}},
         {"children", {{{"ref", "inline"}, {"role", "AXGroup"}, {"frame", {300, 122, 40, 16}}}}}}}}};
  return test::sceneWith(Json::object(), {paragraph}, std::move(top));
}

struct ClickHarness : CaptureHarness {
  std::shared_ptr<ClickTracker> tracker;
  explicit ClickHarness(const Json& scene) : CaptureHarness(scene) {
    tracker = ClickTracker::make(desktop, events, std::make_shared<sim::SimWorkspace>(desktop));
    tracker->start();
  }
  void click(double x, double y) {
    events->click({x, y});
    vt.drain();
  }
};

TEST(ClickTracker, ClickedTextStartsReadingAtItsSentence) {
  ClickHarness h(clickScene());
  const Capture page = h.page();
  EXPECT_FALSE(h.tracker->offset(page)) << "no click yet";

  h.click(310, 130);  // on the inline element inside the second run
  ASSERT_TRUE(h.tracker->last());
  EXPECT_EQ(h.tracker->last()->element, h.desktop->element("inline"));
  EXPECT_EQ(h.tracker->last()->pid, 100);
  EXPECT_EQ(h.desktop->messagingTimeout(), 0.25) << "from the first click on, the process-wide time-out";

  const auto sentence = static_cast<int>(page.clean.text.find("A small bend"));
  ASSERT_GT(sentence, 0);
  EXPECT_EQ(h.tracker->offset(page), sentence) << "from the parent's span, back to its sentence's start";

  Capture other = page;
  other.pid = 4242;
  EXPECT_FALSE(h.tracker->offset(other)) << "a click in another application";
  Capture bare = page;
  bare.elements.clear();
  EXPECT_FALSE(h.tracker->offset(bare));
}

TEST(ClickTracker, AClickCountsForLessThanThreeMinutesOnTheMonotonicClock) {
  ClickHarness h(clickScene());
  const Capture page = h.page();
  h.click(310, 130);
  h.vt.setWallMillis(0);  // the wall clock jumping back does not revive or expire anything
  h.vt.advance(179.9);
  EXPECT_TRUE(h.tracker->offset(page));
  EXPECT_TRUE(h.tracker->offset(page)) << "the same click can steer several reads";
  h.vt.advance(0.1);
  EXPECT_FALSE(h.tracker->offset(page));
}

TEST(ClickTracker, ClicksOnOurOwnWindowsAreNotRecorded) {
  ClickHarness h(clickScene({{"self", "app"}}));
  h.click(310, 130);
  EXPECT_FALSE(h.tracker->last());
}

TEST(ClickTracker, NewerClickReplacesTheOlder) {
  ClickHarness h(clickScene());
  const Capture page = h.page();
  h.click(310, 130);
  h.click(150, 105);  // on the first run
  EXPECT_EQ(h.tracker->offset(page), 0);
}

TEST(ClickTracker, ResolvingSpendsAtMostAboutAThirdOfASecondOnSlowAncestors) {
  // The clicked element sits under a chain of slow groups none of which is in the capture.
  Json leaf = {{"ref", "leaf"}, {"role", "AXGroup"}, {"frame", {10, 10, 5, 5}}};
  Json chain = leaf;
  for (int i = 0; i < 12; ++i) {
    chain = {{"role", "AXGroup"}, {"latency", 0.15}, {"frame", {0, 0, 500, 500}}, {"children", {chain}}};
  }
  Json scene = test::sceneWith(Json::object(), {chain, test::para(test::kRiver)});
  ClickHarness h(scene);
  h.click(12, 12);
  ASSERT_TRUE(h.tracker->last());
  Capture capture;
  capture.pid = 100;
  capture.elements = {h.desktop->element("win")};
  const std::uint64_t began = Clock::now();
  EXPECT_FALSE(h.tracker->offset(capture));
  EXPECT_LE(Clock::ms(began), 300.0 + 1e-6);
  EXPECT_GE(Clock::ms(began), 150.0) << "the ancestors were asked";
}

TEST(ClickTracker, ResolvingLeavesNoShortTimeOutOnThePagesElements) {
  // Slow groups around the clicked element: resolving runs out of time while asking the outer
  // one for its parent. The next capture must still read the text that group holds.
  Json leaf = {{"ref", "leaf"}, {"role", "AXGroup"}, {"latency", 0.11}, {"frame", {10, 10, 5, 5}}};
  Json inner = {{"role", "AXGroup"}, {"latency", 0.11}, {"frame", {0, 0, 400, 400}}, {"children", {leaf}}};
  Json outer = {{"role", "AXGroup"},
                {"latency", 0.11},
                {"frame", {0, 0, 500, 500}},
                {"children", {test::para(test::kRiver), inner}}};
  ClickHarness h(test::sceneWith(Json::object(), {outer}));
  const Capture first = h.page();
  h.click(12, 12);
  ASSERT_TRUE(h.tracker->last());
  EXPECT_FALSE(h.tracker->offset(first)) << "no text on the way up within the time allowed";
  EXPECT_EQ(h.page().clean.text, test::kRiver);
}

TEST(ClickTracker, SentenceStartFindsTheLastLineOrSentenceBreak) {
  const struct {
    const char* text;
    int offset;
    int start;
  } cases[] = {
      {"One. Two", 7, 5}, {"One. Two", 2, 0}, {"One. Two", 5, 5}, {"A\nB", 3, 2}, {"A\nB", -4, 0},
      {"One. Two", 99, 5}, {"e.g. x", 5, 5},  {"Why? Yes! No", 12, 10}, {"Hi.There", 6, 0},
      {"", 3, 0},          {"é. ü", 4, 3},
  };
  for (const auto& c : cases) EXPECT_EQ(ClickTracker::sentenceStart(c.text, c.offset), c.start) << c.text << " @" << c.offset;
}

}  // namespace
}  // namespace orvak
