// The scroll watch through the controller: scroll-wheel events on the simulated desktop while the
// article scene is read, the settled check's fresh capture and the pill's "Read from here" offer,
// in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/app/controller/app_fixture.h"
#include "tests/core/library/library_fixtures.h"

using namespace orvak;
using namespace orvak::test;

namespace {

struct Scrolling {
  std::string scene;
  App a;
  LogTail log;
  explicit Scrolling(const char* extra = "") : scene(articleScene(extra)), a(scene.c_str(), true, Mic::granted) {
    // Four seconds a sentence: the short article lasts the whole test.
    a.onDevice->autoSpeak = orvak::testing::ScriptedEngine::Auto{4.0, 0.1};
    a.app->launch();
    a.vt.drain();
  }
  int count(const std::string& s) {
    a.vt.drain();
    return log.count(s);
  }
  void wheel() { a.events->scroll({{600, 400}, 1, false}); }
  // The page's content moved by the user: positive moves it up. 500 points take the heading and
  // the first paragraph out of sight and leave the rest of the article on screen.
  void moveContent(double dy) { a.desktop->scroll("win", dy); }
  bool offered() const { return a.app->pill().offer() == std::optional<std::string>("Read from here"); }
  int scrollsToVisible() const {
    const auto actions = a.desktop->performedActions();
    return static_cast<int>(std::count_if(actions.begin(), actions.end(),
                                          [](const std::string& s) { return s.ends_with("AXScrollToVisible"); }));
  }
};

}  // namespace

TEST(AppScrollTest, ABurstOfScrollingGivesOneCheckAfterItSettlesAndOnlyWhileReading) {
  Scrolling s;
  s.wheel();  // nothing reads
  s.a.vt.advance(2);
  EXPECT_EQ(s.a.desktop->walkCount("win"), 0);

  s.a.doubleTap();
  s.a.vt.advance(1);
  ASSERT_NE(s.a.app->read().player(), nullptr);
  const int walks = s.a.desktop->walkCount("win");
  for (int i = 0; i < 10; ++i) {
    s.wheel();
    s.a.vt.advance(0.1);
  }
  s.a.vt.advance(0.55);  // 0.65 s after the last event
  EXPECT_EQ(s.a.desktop->walkCount("win"), walks);
  s.a.vt.advance(0.1);
  EXPECT_EQ(s.a.desktop->walkCount("win"), walks + 1) << "one capture, 0.7 s after the last event";
  s.a.vt.advance(1);
  EXPECT_EQ(s.count("scroll check: playing sentence on screen · "), 1);
  EXPECT_FALSE(s.offered());
}

TEST(AppScrollTest, NoCheckWhileTheReadsOwnCaptureRuns) {
  Scrolling s(R"("latency": 0.05,)");  // every answer takes 50 ms: the capture takes a while
  s.a.doubleTap();
  ASSERT_TRUE(s.a.app->read().capturing());
  ASSERT_NE(s.a.app->read().player(), nullptr);
  s.a.app->read().checkScrolledAway();
  s.a.vt.advance(30);
  ASSERT_TRUE(s.a.app->read().lastCapture());
  EXPECT_EQ(s.a.desktop->walkCount("win"), s.a.app->read().lastCapture()->attempts) << "only the read's own capture walked";
  EXPECT_EQ(s.count("scroll check"), 0);
}

TEST(AppScrollTest, TheOfferFollowsTheSentenceOffAndBackOnScreenAndExpiresSilently) {
  Scrolling s;
  s.a.doubleTap();
  s.a.vt.advance(1);
  ASSERT_NE(s.a.app->read().player(), nullptr);

  s.moveContent(500);
  s.wheel();
  s.a.vt.advance(1);
  EXPECT_EQ(s.count("scroll check: playing sentence off screen · "), 1);
  EXPECT_EQ(s.count("offer: Read from here"), 1);
  EXPECT_TRUE(s.offered());

  s.moveContent(-500);
  s.wheel();
  s.a.vt.advance(1);
  EXPECT_EQ(s.count("scroll check: playing sentence on screen · "), 1);
  EXPECT_EQ(s.count("offer cleared"), 1);
  EXPECT_FALSE(s.offered());

  s.moveContent(500);
  s.wheel();
  s.a.vt.advance(1);
  EXPECT_EQ(s.count("offer: Read from here"), 2);
  s.a.vt.advance(5);
  s.wheel();  // still off screen, 6 s into the offer
  s.a.vt.advance(1);
  EXPECT_EQ(s.count("scroll check: playing sentence off screen · "), 3);
  EXPECT_EQ(s.count("offer: Read from here"), 2) << "an offer already shown is not announced again";
  s.a.vt.advance(6);  // 12 s after the offer was made, 6 s after it was renewed
  EXPECT_TRUE(s.offered()) << "the second verdict restarted the 8 s";
  s.a.vt.advance(2);
  EXPECT_FALSE(s.offered());
  EXPECT_EQ(s.count("offer cleared"), 1) << "the expiry writes no line";
  ASSERT_NE(s.a.app->read().player(), nullptr);
}

TEST(AppScrollTest, AnotherPageOrASentenceNotFoundNeverOffers) {
  for (const bool otherPage : {true, false}) {
    SCOPED_TRACE(otherPage ? "another page" : "sentence not found");
    Scrolling s;
    s.a.doubleTap();
    s.a.vt.advance(1);
    ASSERT_NE(s.a.app->read().player(), nullptr);
    s.moveContent(500);
    s.wheel();
    s.a.vt.advance(1);
    ASSERT_TRUE(s.offered());
    if (otherPage) {
      s.a.desktop->setAttribute("page", "AXURL", ax::Value(ax::Url{"https://fieldnotes.example.org/other"}));
    } else {
      const std::string gone = "Nothing of the first part is here any more.";
      for (const char* ref : {"heading", "p1", "p2"}) {
        s.a.desktop->setAttribute(ref, "AXValue", ax::Value(gone));
        s.a.desktop->setAttribute(ref, "AXTitle", ax::Value(gone));
        s.a.desktop->setAttribute(ref, "AXChildren", ax::Value(ax::ElementList{}));
      }
    }
    s.wheel();
    s.a.vt.advance(1);
    if (otherPage) {
      EXPECT_EQ(s.count("scroll check"), 1) << "no line for a page that is not the one read";
      EXPECT_TRUE(s.offered()) << "the offer is left as it was";
    } else {
      EXPECT_EQ(s.count("scroll check: playing sentence unknown · "), 1);
      EXPECT_EQ(s.count("offer cleared"), 1);
      EXPECT_FALSE(s.offered());
    }
  }
}

TEST(AppScrollTest, ScrollingPausesTheBandsPullBackToTheSentence) {
  Scrolling s;
  s.a.doubleTap();
  s.a.vt.advance(1);
  ASSERT_NE(s.a.app->read().highlighter(), nullptr);
  s.moveContent(500);
  s.wheel();
  s.a.vt.advance(5.5);
  EXPECT_EQ(s.scrollsToVisible(), 0) << "the band leaves the page where the user put it";
  s.a.vt.advance(3);
  EXPECT_GE(s.scrollsToVisible(), 1) << "after 6 s it follows the sentence again";
}

TEST(AppScrollTest, ReadingFromHereOrTheEndOfTheReadWithdrawsTheOffer) {
  for (const bool fromHere : {true, false}) {
    Scrolling s;
    s.a.doubleTap();
    s.a.vt.advance(1);
    s.moveContent(500);
    s.wheel();
    s.a.vt.advance(1);
    ASSERT_TRUE(s.offered());
    if (fromHere) {
      s.a.app->read().readFromHere("pill");
    } else {
      s.a.app->read().player()->stop("user");
    }
    s.a.vt.advance(0.5);
    EXPECT_FALSE(s.offered()) << (fromHere ? "read from here" : "read end");
    EXPECT_EQ(s.count("offer cleared"), 1);
  }
}
