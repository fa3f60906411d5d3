#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>
#include <QWindow>

#include "app/pill/pill.h"
#include "app/pill/pill_doubles.h"
#include "app/views/look/appearance.h"
#include "app/views/look/palette.h"
#include "app/views/pill/pill_layout.h"
#include "app/views/pill/pill_view.h"
#include "app/views/pill/pill_window.h"
#include "app/views/shots.h"
#include "core/base/dispatch.h"
#include "tests/views/look_test.h"

namespace orvak::views::pill {
namespace {

using PillKind = PillState::Kind;

PillState reading(std::string progress = "3 / 10") {
  PillState s;
  s.kind = PillKind::reading;
  s.state = "Reading";
  s.sub = "An article";
  s.progress = std::move(progress);
  s.speed = 1.5f;
  return s;
}

TextWidths widths() {
  TextWidths w;
  w.state = 60;
  w.dot = 4;
  w.sub = 80;
  w.offer = 100;
  w.progress = 40;
  w.speed = 24;
  w.noticeState = 150;
  w.noticeSub = 190;
  w.noticeTitle = 50;
  return w;
}

TEST(PillLayout, WhatTheCapsuleHolds) {
  struct Case {
    const char* name;
    PillState state;
    bool controls, hover, offer, notice;
    bool offerShown, controlsShown, counterShown;
    double trailing;
  };
  PillState flash;
  flash.kind = PillKind::saved;
  flash.state = "Highlighted";
  const Case table[] = {
      {"flash", flash, false, false, false, false, false, false, false, 20},
      {"flash with an offer set", flash, false, true, true, false, false, false, false, 20},
      {"reading", reading(), true, false, false, false, false, false, false, 20},
      {"reading, hover", reading(), true, true, false, false, false, true, true, 10},
      {"reading, offer", reading(), true, false, true, false, true, false, false, 20},
      {"reading, hover and offer", reading(), true, true, true, false, true, true, true, 10},
      {"no progress", reading(""), true, true, false, false, false, true, false, 10},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.name);
    const auto l = layOut({c.state, c.controls, c.hover, c.offer, c.notice}, widths());
    EXPECT_EQ(l.offerButton.has_value(), c.offerShown);
    EXPECT_EQ(l.controls[int(Control::stop)].has_value(), c.controlsShown);
    EXPECT_EQ(l.progress.has_value(), c.counterShown);
    EXPECT_EQ(l.trailingPadding, c.trailing);
    EXPECT_FALSE(l.noticeButton.has_value());
    EXPECT_GE(l.body.height(), 46);
    // The capsule ends its trailing padding after its last item, inside a 34 px margin.
    double last = l.text.right();
    if (l.offerButton) last = l.offerButton->right();
    if (l.controls[int(Control::stop)]) last = l.controls[int(Control::stop)]->right();
    EXPECT_DOUBLE_EQ(l.body.right(), last + c.trailing);
    EXPECT_EQ(l.size, QSizeF(l.body.width() + 68, l.body.height() + 68));
    EXPECT_EQ(l.body.topLeft(), QPointF(34, 34));
  }
}

TEST(PillLayout, ControlsInOrderAndTheCardReplacesTheCapsule) {
  const auto l = layOut({reading(), true, true, false, false}, widths());
  double x = 0;
  for (int i = 0; i < kControlCount; ++i) {
    ASSERT_TRUE(l.controls[i].has_value());
    EXPECT_GE(l.controls[i]->left(), x);
    x = l.controls[i]->right();
  }
  EXPECT_EQ(l.controls[int(Control::speed)]->width(), 24 + 12);
  EXPECT_EQ(l.controls[int(Control::back)]->size(), QSizeF(26, 26));

  const auto card = layOut({reading(), true, true, true, true}, widths());
  ASSERT_TRUE(card.noticeButton.has_value());
  EXPECT_FALSE(card.offerButton.has_value());
  EXPECT_FALSE(card.controls[int(Control::back)].has_value());
  EXPECT_EQ(card.noticeButton->height(), 30);
  EXPECT_EQ(card.glyph.size(), QSizeF(26, 26));
}

TEST(PillLayout, SubCutAt45Characters) {
  const std::string x44(44, 'x');
  EXPECT_EQ(shownSub(x44), x44);
  EXPECT_EQ(shownSub(std::string(45, 'x')), std::string(43, 'x') + "…");
  // Spaces at the cut go before the ellipsis; characters, not bytes, are counted.
  EXPECT_EQ(shownSub(std::string(42, 'x') + "  tail of the text"), std::string(42, 'x') + "…");
  std::string accented;
  for (int i = 0; i < 44; ++i) accented += "é";
  EXPECT_EQ(shownSub(accented), accented);
  EXPECT_EQ(shownSub(accented + "é"), accented.substr(0, 43 * 2) + "…");
}

TEST(PillLayout, BarHeights) {
  struct Case {
    int bar;
    double t;
    std::optional<double> period;
    bool reduced;
    double height;
  };
  const Case table[] = {
      {0, 0.0, 0.9, false, 4},        // the bottom of its cycle
      {0, 0.45, 0.9, false, 15},      // the top, half a period later
      {0, 0.225, 0.9, false, 9.5},    // half way up
      {1, 0.0, 0.9, false, (0.5 - std::cos(2 * 0.3 / 0.9 * M_PI) * 0.5) * 11 + 4},
      {2, 0.0, 0.3, false, 4},        // delay 0.6 is two whole periods of 0.3
      {3, 0.0, 0.3, false, 15},       // delay 0.15 is half of 0.3
      {3, 0.0, 0.45, false, (0.5 - std::cos(2 * 0.15 / 0.45 * M_PI) * 0.5) * 11 + 4},
      {0, 0.45, std::nullopt, false, 4},  // still
      {0, 0.45, 0.9, true, 4},            // reduced motion
  };
  for (const auto& c : table) {
    EXPECT_NEAR(vuBarHeight(c.bar, c.t, c.period, c.reduced), c.height, 1e-9) << c.bar << " at " << c.t;
  }
}

TEST(PillLayout, GlyphByKind) {
  struct Case {
    PillKind kind;
    GlyphKind glyph;
    std::optional<double> period;
    bool tinted;
  };
  const Case table[] = {
      {PillKind::working, GlyphKind::bars, 0.3, false},
      {PillKind::reading, GlyphKind::bars, 0.9, false},
      {PillKind::paused, GlyphKind::bars, std::nullopt, false},
      {PillKind::listening, GlyphKind::bars, 0.45, true},
      {PillKind::saved, GlyphKind::pingOrb, std::nullopt, false},
      {PillKind::warn, GlyphKind::warnOrb, std::nullopt, false},
      {PillKind::info, GlyphKind::orb, std::nullopt, false},
      {PillKind::finished, GlyphKind::orb, std::nullopt, false},
  };
  for (const auto& c : table) {
    const auto g = glyphFor(c.kind);
    EXPECT_EQ(g.kind, c.glyph) << kindName(c.kind);
    EXPECT_EQ(g.period, c.period) << kindName(c.kind);
    EXPECT_EQ(g.tinted, c.tinted) << kindName(c.kind);
  }
}

// The real controller drawn by the view, with a recording panel, in virtual time.
class PillViewTest : public test::LookTest {
 protected:
  PillViewTest() {
    look::setAppearance(look::Appearance::light);
    look::setReducedMotion(false);
    screens->main = ax::Rect{0, 0, 1920, 1040};
    pill = Pill::make(panel, screens);
    view = std::make_unique<PillView>(pill->model());
    pill->model().onChange = [this](std::optional<Curve> c) { view->modelChanged(c); };
    view->onHover = [this](bool inside) { pill->hovered(inside); };
    Pill::Actions a;
    a.back = [this] { ++calls["back"]; };
    a.playPause = [this] { ++calls["playPause"]; };
    a.skip = [this] { ++calls["skip"]; };
    a.speed = [this] { ++calls["speed"]; };
    a.stop = [this] { ++calls["stop"]; };
    a.readFromHere = [this] { ++calls["readFromHere"]; };
    actions = a;
  }

  void click(const std::optional<QRectF>& r) {
    ASSERT_TRUE(r.has_value());
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, r->center().toPoint());
  }

  dispatch::VirtualTime vt;
  std::shared_ptr<RecordingPanel> panel = std::make_shared<RecordingPanel>();
  std::shared_ptr<FixedScreens> screens = std::make_shared<FixedScreens>();
  std::shared_ptr<Pill> pill;
  std::unique_ptr<PillView> view;
  std::optional<Pill::Actions> actions;
  std::map<std::string, int> calls;
};

TEST_F(PillViewTest, EachControlCallsItsActionOnceAndNothingWithoutActions) {
  pill->playerChanged(reading());
  pill->setOffer(std::string("Read from here"));
  pill->hovered(true);
  const auto& l = view->layout();
  const std::pair<std::optional<QRectF>, const char*> buttons[] = {
      {l.controls[int(Control::back)], "back"},   {l.controls[int(Control::playPause)], "playPause"},
      {l.controls[int(Control::skip)], "skip"},   {l.controls[int(Control::speed)], "speed"},
      {l.controls[int(Control::stop)], "stop"},   {l.offerButton, "readFromHere"}};
  for (const auto& [rect, name] : buttons) {
    click(rect);  // no actions yet
  }
  EXPECT_TRUE(calls.empty());
  pill->setActions(actions);
  for (const auto& [rect, name] : buttons) {
    click(rect);
    EXPECT_EQ(calls[name], 1) << name;
  }
  EXPECT_EQ(calls.size(), 6u);
  // A click on the text is no button.
  QTest::mouseClick(view.get(), Qt::LeftButton, {}, l.text.center().toPoint());
  EXPECT_EQ(calls.size(), 6u);
}

TEST_F(PillViewTest, NoticeButtonRunsTheNotice) {
  pill->playerChanged(reading());
  int ran = 0;
  pill->notice("Document written", "In Library", false, "Open", "doc.richtext", [&] { ++ran; });
  click(view->layout().noticeButton);
  EXPECT_EQ(ran, 1);
  EXPECT_FALSE(pill->model().notice().has_value());
  EXPECT_FALSE(view->layout().noticeButton.has_value()) << "the capsule is back";
}

TEST_F(PillViewTest, EnteringAndLeavingReachTheHoverHandler) {
  pill->playerChanged(reading());
  QEnterEvent enter(QPointF(50, 50), QPointF(50, 50), QPointF(50, 50));
  QApplication::sendEvent(view.get(), &enter);
  EXPECT_TRUE(pill->model().hover());
  EXPECT_TRUE(view->layout().controls[int(Control::stop)].has_value()) << "hover shows the controls";
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(view.get(), &leave);
  EXPECT_FALSE(pill->model().hover());
  EXPECT_FALSE(view->layout().controls[int(Control::stop)].has_value());
}

TEST_F(PillViewTest, AccessibleNameAndReportedSize) {
  pill->show("Reading Browser…", Pill::Tone::working);
  EXPECT_EQ(view->accessibleName(), "Reading, Browser");
  pill->flash("Going back");
  EXPECT_EQ(view->accessibleName(), "Going back");
  // The padded size went to the controller, which placed the panel with it (a narrower pill once
  // it has shrunk).
  vt.advance(0.35);
  EXPECT_EQ(panel->frame().width, std::ceil(view->layout().size.width()));
  EXPECT_EQ(panel->frame().height, std::ceil(view->layout().size.height()));
}

TEST_F(PillViewTest, ACounterTickingDoesNotHoldBackAShrink) {
  pill->playerChanged(reading("1 / 10"));
  pill->hovered(true);
  const double wide = panel->frame().width;
  pill->hovered(false);  // the controls go: the pill narrows 0.34 s later
  vt.advance(0.2);
  pill->playerChanged(reading("2 / 10"));  // same size
  vt.advance(0.15);
  EXPECT_LT(panel->frame().width, wide);
  EXPECT_EQ(panel->frame().width, std::ceil(view->layout().size.width()));
}

TEST_F(PillViewTest, InItsWindowTheCapsuleStaysCentredAndEasesToANewWidth) {
  QWidget window;
  window.resize(800, 120);
  view->setParent(&window);
  view->setGeometry(window.rect());
  window.setAttribute(Qt::WA_DontShowOnScreen);
  window.show();
  pill->playerChanged(reading());
  pill->hovered(true);
  view->settle();
  const QRectF wide = view->currentBody();
  EXPECT_NEAR(wide.center().x(), 400, 1) << "centred in the window the controller sized";
  pill->hovered(false);
  // The controls left: the capsule starts from its old width and eases to the new one.
  EXPECT_EQ(view->currentBody().width(), wide.width());
  EXPECT_NEAR(view->currentBody().center().x(), 400, 1);
  view->settle();
  EXPECT_EQ(view->currentBody().width(), view->layout().body.width());
  EXPECT_LT(view->currentBody().width(), wide.width());
  // Clicks follow the centred drawing.
  pill->setActions(actions);
  pill->hovered(true);
  const QRectF stop = view->layout().controls[int(Control::stop)]->translated(view->origin());
  QTest::mouseClick(view.get(), Qt::LeftButton, {}, stop.center().toPoint());
  EXPECT_EQ(calls["stop"], 1);
  view->setParent(nullptr);
}

TEST_F(PillViewTest, BarsMoveOnlyWhileTheyShouldAndReducedMotionStillsThem) {
  view->setAttribute(Qt::WA_DontShowOnScreen);
  view->show();
  pill->playerChanged(reading());
  EXPECT_TRUE(view->moving());
  auto paused = reading();
  paused.kind = PillKind::paused;
  paused.state = "Paused";
  pill->playerChanged(paused);
  EXPECT_FALSE(view->moving()) << "still bars need no frames";
  look::setReducedMotion(true);
  pill->playerChanged(reading());
  EXPECT_FALSE(view->moving());
}

TEST_F(PillViewTest, TheBarsStandOutFromTheCapsuleInEitherLook) {
  // The still bars of a pause are the smallest: if they read, the moving ones do.
  auto paused = reading();
  paused.kind = PillKind::paused;
  paused.state = "Paused";
  pill->playerChanged(paused);
  view->freeze(4.2);
  for (const auto appearance : {look::Appearance::light, look::Appearance::dark}) {
    SCOPED_TRACE(appearance == look::Appearance::dark ? "dark" : "light");
    look::setAppearance(appearance);
    const QImage img = views::renderWidget(*view, 2).convertToFormat(QImage::Format_ARGB32);
    const QColor capsule = look::Orbit::pill.resolve(appearance);
    const QRect glyph = QRectF(view->layout().glyph.topLeft() * 2, view->layout().glyph.size() * 2).toRect();
    double best = 1;
    for (int y = glyph.top(); y <= glyph.bottom(); ++y) {
      for (int x = glyph.left(); x <= glyph.right(); ++x) {
        const QColor c = img.pixelColor(x, y);
        if (c.alpha() == 255) best = std::max(best, test::contrast(c, capsule));
      }
    }
    EXPECT_GE(best, 3.0);
  }
}

using PillPictures = test::LookTest;

TEST_F(PillPictures, CapsuleFillIsThePillColourAndTheMarginStaysClear) {
  for (auto appearance : {look::Appearance::light, look::Appearance::dark}) {
    look::setAppearance(appearance);
    const auto* shot = views::findShot("pill-info");
    ASSERT_NE(shot, nullptr);
    const QImage img = shot->render(1).convertToFormat(QImage::Format_ARGB32);
    const QColor pill = look::Orbit::pill.resolve(appearance);
    // Inside the capsule, below the text.
    const QRgb inside = img.pixel(img.width() / 2, img.height() / 2 + 15);
    EXPECT_EQ(qAlpha(inside), 255);
    EXPECT_LE(std::abs(qRed(inside) - pill.red()) + std::abs(qGreen(inside) - pill.green()) +
                  std::abs(qBlue(inside) - pill.blue()),
              3);
    // The top of the margin (the shadow falls below) and the corners are clear.
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < img.width(); ++x) {
        ASSERT_EQ(qAlpha(img.pixel(x, y)), 0) << x << "," << y;
      }
    }
    EXPECT_EQ(qAlpha(img.pixel(img.width() - 1, img.height() - 1)), 0);
  }
}

}  // namespace
}  // namespace orvak::views::pill

namespace orvak::views::pill {
namespace {

TEST(PillWindowTest, ThePanelAndScreensOnQt) {
  dispatch::VirtualTime vt;
  auto screen = makeScreenPill();
  auto& window = *screen.window;
  // A floating window that never takes focus and lets clicks through until told otherwise.
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_TRUE(window.ignoresMouse());

  const auto area = window.primary();
  ASSERT_TRUE(area.has_value()) << "the offscreen platform has one screen";
  EXPECT_EQ(window.underPointer(), area);

  screen.pill->playerChanged(reading());
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.ignoresMouse()) << "a reading state takes clicks";
  ASSERT_NE(window.windowHandle(), nullptr);
  EXPECT_FALSE(window.windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
  // Placed by the controller: centred, the panel's bottom 6 px below the available area.
  const auto frame = window.frame();
  EXPECT_EQ(frame.y + frame.height, area->y + area->height + 6);
  EXPECT_NEAR(frame.x + frame.width / 2, area->x + area->width / 2, 1);
  EXPECT_EQ(window.view()->size(), window.size());

  screen.pill->hide();
  EXPECT_TRUE(window.windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
  vt.advance(0.31);
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace orvak::views::pill
