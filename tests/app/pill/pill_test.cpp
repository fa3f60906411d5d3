#include "app/pill/pill.h"

#include <gtest/gtest.h>

#include "app/pill/pill_doubles.h"
#include "core/base/dispatch.h"

namespace orvak {
namespace {

using PillKind = PillState::Kind;

// A 1920 x 1080 screen whose available area stops 40 px above its bottom (a panel below).
constexpr ax::Rect kMainArea{0, 0, 1920, 1040};

class PillTest : public ::testing::Test {
 protected:
  PillTest() {
    screens->main = kMainArea;
    pill = Pill::make(panel, screens);
    pill->model().onChange = [this](std::optional<Curve> c) { curves.push_back(c); };
  }

  PillState reading(std::string progress = "3 / 10", float speed = 1.0f) {
    PillState s;
    s.kind = PillKind::reading;
    s.state = "Reading";
    s.sub = "An article";
    s.progress = std::move(progress);
    s.speed = speed;
    return s;
  }
  const PillState& shown() const { return pill->model().state(); }
  bool panelOut() const { return !panel->isVisible(); }

  dispatch::VirtualTime vt;
  std::shared_ptr<RecordingPanel> panel = std::make_shared<RecordingPanel>();
  std::shared_ptr<FixedScreens> screens = std::make_shared<FixedScreens>();
  std::shared_ptr<Pill> pill;
  std::vector<std::optional<Curve>> curves;
};

TEST_F(PillTest, FlashTable) {
  struct Case {
    std::string text;
    std::optional<std::string> note;
    PillKind kind;
    std::string state, sub;
    std::optional<double> stays;  // none: stays until the next message
    int saved;
  };
  const Case table[] = {
      {"Listening more words", {}, PillKind::listening, "Listening…", "", {}, 0},
      {"Highlighted", {}, PillKind::saved, "Highlighted", "Saved to your notes", 1.6, 1},
      {"Note saved", std::string("buy milk"), PillKind::saved, "Note saved", "“buy milk”", 2.2, 1},
      {"Note saved", {}, PillKind::saved, "Note saved", "Saved to your notes", 2.2, 1},
      {"Going back", {}, PillKind::info, "Going back", "", 1.1, 0},
      {"From the top", {}, PillKind::info, "From the top", "", 1.1, 0},
      {"Thinking…", {}, PillKind::working, "Thinking", "", {}, 0},
      {"Summarizing…", {}, PillKind::working, "Summarizing", "", {}, 0},
      {"Answer: It is blue.", {}, PillKind::info, "Orvak", "It is blue.", {}, 0},
      {"Keep reading?", {}, PillKind::listening, "Keep reading?", "Say yes, or ask another question", 6.0, 0},
      {"Read it?", {}, PillKind::listening, "Read it to you?", "Say yes, or ask something else", 6.0, 0},
      {"Paused · because a call began", {}, PillKind::info, "Paused", "because a call began", 3.0, 0},
      {"Couldn't reach the voice", {}, PillKind::warn, "Couldn't reach the voice", "", 2.8, 0},
      {"Going back now", {}, PillKind::info, "Going back now", "", 1.6, 0},  // equality, not a beginning
      {"highlighted", {}, PillKind::info, "highlighted", "", 1.6, 0},         // case counts
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.text);
    pill->show("Reading Browser…", Pill::Tone::working);  // a read starts; the count is 0
    pill->flash(c.text, c.note);
    EXPECT_EQ(shown().kind, c.kind);
    EXPECT_EQ(shown().state, c.state);
    EXPECT_EQ(shown().sub, c.sub);
    EXPECT_EQ(pill->savedThisRead(), c.saved);
    EXPECT_FALSE(pill->model().controls());
    ASSERT_TRUE(pill->transient().has_value());
    if (c.stays) {
      vt.advance(*c.stays - 0.01);
      EXPECT_EQ(shown().state, c.state) << "still up just before its end";
      vt.advance(0.02);
      EXPECT_FALSE(pill->transient().has_value()) << "ended";
      EXPECT_FALSE(pill->model().shown()) << "no read on: the pill hides";
    } else {
      vt.advance(60);
      EXPECT_EQ(shown().state, c.state) << "stays until the next message";
      EXPECT_FALSE(pill->transientPending());
    }
    pill->hide();
    vt.advance(1);
  }
}

TEST_F(PillTest, EmptyFlashRestoresTheReadOrHides) {
  pill->flash("Thinking…");
  pill->flash("");
  EXPECT_FALSE(pill->model().shown()) << "no read: hides";

  pill->playerChanged(reading());
  pill->flash("Thinking…");
  pill->playerChanged(reading("4 / 10"));  // arrives while the message is up: stored only
  EXPECT_EQ(shown().state, "Thinking");
  pill->flash("");
  EXPECT_EQ(shown(), [&] {
    auto s = reading("4 / 10");
    s.serial = shown().serial;
    return s;
  }());
  EXPECT_TRUE(pill->model().controls());
  EXPECT_FALSE(panel->ignoresMouse());
}

TEST_F(PillTest, ShowTones) {
  struct Case {
    std::string text;
    Pill::Tone tone;
    PillKind kind;
    std::string state, sub;
  };
  const Case table[] = {
      {"Reading Browser…", Pill::Tone::working, PillKind::working, "Reading", "Browser"},
      {"Reading …Text Editor…", Pill::Tone::working, PillKind::working, "Reading", "Text Editor"},
      {"Reading a", Pill::Tone::working, PillKind::working, "Reading a", ""},  // exactly 9 characters
      {"Reading é", Pill::Tone::working, PillKind::working, "Reading é", ""},  // "e" + combining accent: 9
      {"Reading…", Pill::Tone::working, PillKind::working, "Reading", ""},
      {"Signing in…", Pill::Tone::working, PillKind::working, "Signing in", ""},
      {"…Done…", Pill::Tone::info, PillKind::info, "…Done…", ""},
      {"No voice", Pill::Tone::warn, PillKind::warn, "No voice", ""},
      {"whatever", Pill::Tone::listening, PillKind::listening, "Listening…", ""},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.text);
    pill->show(c.text, c.tone);
    EXPECT_EQ(shown().kind, c.kind);
    EXPECT_EQ(shown().state, c.state);
    EXPECT_EQ(shown().sub, c.sub);
    EXPECT_EQ(shown().speed, 1.0f);
    EXPECT_FALSE(pill->model().controls());
  }
  pill->show("Couldn't start", Pill::Tone::warn, 2.8);
  vt.advance(2.79);
  EXPECT_TRUE(pill->model().shown());
  vt.advance(0.02);
  EXPECT_FALSE(pill->model().shown());
}

TEST_F(PillTest, SerialCountsChangesOfKindStateOrSub) {
  pill->playerChanged(reading("1 / 10", 1.0f));
  const auto first = shown().serial;
  pill->playerChanged(reading("2 / 10", 1.5f));
  EXPECT_EQ(shown().serial, first) << "progress and speed keep it";
  EXPECT_EQ(shown().progress, "2 / 10");
  auto paused = reading("2 / 10", 1.5f);
  paused.kind = PillKind::paused;
  paused.state = "Paused";
  paused.serial = 99;  // ignored
  pill->playerChanged(paused);
  EXPECT_EQ(shown().serial, first + 1);
  auto other = paused;
  other.sub = "Another page";
  pill->playerChanged(other);
  EXPECT_EQ(shown().serial, first + 2);
  pill->playerChanged(other);
  EXPECT_EQ(shown().serial, first + 2);
  // A state change of a visible pill eases; one from hidden enters.
  EXPECT_EQ(curves.back(), std::optional<Curve>(Curve::ease));
}

TEST_F(PillTest, FinishCountsTheReadsSavesThenHides) {
  pill->show("Reading Browser…", Pill::Tone::working);
  pill->flash("Highlighted");
  pill->flash("Highlighted");
  pill->flash("Note saved", std::string("later"));
  pill->finish();
  EXPECT_EQ(shown().kind, PillKind::finished);
  EXPECT_EQ(shown().state, "Finished");
  EXPECT_EQ(shown().sub, "3 saved to your notes");
  vt.advance(2.39);
  EXPECT_TRUE(pill->model().shown());
  vt.advance(0.02);
  EXPECT_FALSE(pill->model().shown());
  vt.advance(0.3);
  EXPECT_TRUE(panelOut());

  pill->show("Reading Browser…", Pill::Tone::working);
  pill->finish();
  EXPECT_EQ(shown().sub, "") << "a new read counts from 0";
}

TEST_F(PillTest, NoticeEndsAfterEightSecondsOrThreeAfterThePointerLeaves) {
  pill->playerChanged(reading());
  int ran = 0;
  pill->notice("Voice unavailable", "Using this computer's voice", true, "Settings", "exclamationmark", [&] { ++ran; });
  ASSERT_TRUE(pill->model().notice().has_value());
  EXPECT_EQ(pill->model().notice()->title, "Settings");
  EXPECT_EQ(shown().kind, PillKind::warn);
  EXPECT_TRUE(pill->model().controls()) << "the card takes clicks";
  vt.advance(7.9);
  EXPECT_TRUE(pill->model().notice().has_value());
  vt.advance(0.2);
  EXPECT_FALSE(pill->model().notice().has_value());
  EXPECT_EQ(shown().kind, PillKind::reading) << "the read comes back";

  pill->notice("Saved", "", false, "Open", "doc", [&] { ++ran; });
  pill->hovered(true);
  vt.advance(30);
  EXPECT_TRUE(pill->model().notice().has_value()) << "stays while hovered";
  pill->hovered(false);
  vt.advance(2.9);
  EXPECT_TRUE(pill->model().notice().has_value());
  vt.advance(0.2);
  EXPECT_FALSE(pill->model().notice().has_value());
  EXPECT_EQ(ran, 0) << "ending is not pressing";
}

TEST_F(PillTest, NoticeButtonRunsOnceClearsTheCardAndRestores) {
  for (bool reading_ : {true, false}) {
    SCOPED_TRACE(reading_);
    if (reading_) {
      pill->playerChanged(reading());
    }
    int ran = 0;
    pill->notice("Signed out", "Sign in again", false, "Sign in", "person", [&] { ++ran; });
    const auto run = pill->model().notice()->run;
    run();
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(pill->model().notice().has_value());
    EXPECT_FALSE(pill->transientPending()) << "its timed end is gone with it";
    EXPECT_EQ(pill->model().shown(), reading_);
    if (reading_) {
      EXPECT_EQ(shown().kind, PillKind::reading);
    }
    vt.advance(10);
    EXPECT_EQ(ran, 1);
    pill->hide();
    vt.advance(1);
  }
}

TEST_F(PillTest, HideClearsANoticeSoItNeverReturns) {
  pill->notice("Signed out", "", false, "Sign in", "person", [] {});
  pill->hide();
  EXPECT_FALSE(pill->model().notice().has_value());
  pill->show("Reading Browser…", Pill::Tone::working);
  EXPECT_FALSE(pill->model().notice().has_value());
}

TEST_F(PillTest, FitGrowsAtOnceAndNarrowsLater) {
  pill->show("Reading Browser…", Pill::Tone::working);
  pill->model().onSize(300.2, 114);  // the view's measured size; sizes round up
  // Centred, the capsule 28 above the available bottom: the panel's bottom 6 below it.
  EXPECT_EQ(panel->frame(), (ax::Rect{810, 1040 + 6 - 114, 301, 114}));
  pill->fit(400, 114);
  EXPECT_EQ(panel->frame().width, 400) << "growing: at once";
  pill->fit(250, 114);
  EXPECT_EQ(panel->frame().width, 400) << "narrowing waits";
  vt.advance(0.2);
  pill->fit(260, 114);  // a newer size within the wait replaces it
  vt.advance(0.2);
  EXPECT_EQ(panel->frame().width, 400);
  vt.advance(0.15);
  EXPECT_EQ(panel->frame().width, 260);
  EXPECT_FALSE(pill->shrinkPending());

  pill->hide();
  vt.advance(1);
  pill->fit(120, 80);
  EXPECT_EQ(panel->frame().width, 120) << "a hidden pill: at once";
}

TEST_F(PillTest, FitRoundsHalvesAwayFromZeroAndFollowsThePointersScreen) {
  screens->pointer = ax::Rect{-1001, 0, 1000, 800};  // a screen left of the main one
  pill->show("Working", Pill::Tone::info);
  pill->fit(201, 60);
  // midX -501 - 100.5 = -601.5 rounds to -602.
  EXPECT_EQ(panel->frame(), (ax::Rect{-602, 806 - 60, 201, 60}));
  EXPECT_EQ(pill->screenFrame(), screens->pointer);
}

TEST_F(PillTest, WithoutAnyScreenThePanelStaysPut) {
  screens->main.reset();
  pill->show("Working", Pill::Tone::info);
  const auto before = panel->frame();
  pill->fit(500, 100);
  EXPECT_EQ(panel->frame(), before);
}

TEST_F(PillTest, HideOrdersOutLaterUnlessADisplayComesFirst) {
  pill->show("Working", Pill::Tone::info);
  EXPECT_TRUE(panel->isVisible());
  pill->hide();
  EXPECT_FALSE(pill->model().shown());
  EXPECT_TRUE(panel->ignoresMouse());
  EXPECT_EQ(curves.back(), std::optional<Curve>(Curve::leave));
  vt.advance(0.29);
  EXPECT_TRUE(panel->isVisible());
  vt.advance(0.02);
  EXPECT_FALSE(panel->isVisible());

  pill->show("Working", Pill::Tone::info);
  pill->hide();
  vt.advance(0.1);
  pill->flash("Resuming");  // comes back before the panel went
  vt.advance(0.5);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_TRUE(pill->model().shown());
}

TEST_F(PillTest, AtMostOneItemPerSlot) {
  pill->playerChanged(reading());
  for (int i = 0; i < 5; ++i) {
    pill->flash("Highlighted");
    pill->scheduleHide(10);
    pill->fit(300, 100);
    pill->fit(100, 100);  // a pending shrink
  }
  // One hide, one message end and one shrink.
  EXPECT_EQ(vt.pending(), 3u);
}

TEST_F(PillTest, OfferChangesTheModelOnlyForANewValue) {
  pill->setOffer(std::string("Read from here"));
  EXPECT_EQ(pill->model().offer(), std::optional<std::string>("Read from here"));
  const auto changes = curves.size();
  pill->setOffer(std::string("Read from here"));
  EXPECT_EQ(curves.size(), changes);
  pill->setOffer(std::nullopt);
  EXPECT_EQ(curves.size(), changes + 1);
  EXPECT_EQ(curves.back(), std::optional<Curve>(Curve::ease));
  EXPECT_FALSE(pill->model().offer().has_value());
}

TEST_F(PillTest, WorkItemsOutlivedByThePillDoNothing) {
  pill->show("Working", Pill::Tone::info, 1.0);
  pill->flash("Highlighted");
  pill.reset();
  vt.advance(5);  // nothing to crash into
  EXPECT_TRUE(panel->isVisible());
}

}  // namespace
}  // namespace orvak
