#include <gtest/gtest.h>

#include <QAccessible>
#include <QImage>
#include <QTest>

#include "app/views/look/appearance.h"
#include "app/views/look/controls.h"
#include "app/views/look/palette.h"
#include "app/views/look/pieces.h"
#include "app/views/look/text_styles.h"
#include "app/views/shots.h"
#include "tests/views/look_test.h"

namespace orvak::look {
namespace {

class LookWidgets : public test::LookTest {
 protected:
  void SetUp() override {
    setAppearance(Appearance::light);
    setReducedMotion(false);
  }
};

// The most opaque pixel of an image, in 0..255.
int maxAlpha(const QImage& img) {
  int best = 0;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      best = std::max(best, qAlpha(img.pixel(x, y)));
    }
  }
  return best;
}

TEST_F(LookWidgets, DisabledPrimaryButtonIsFadedAndHasNoSheen) {
  MarginButton button("Continue", true);
  button.resize(160, 30);
  // Two instants: sheen resting off to the left, and mid-sweep over the label.
  auto at = [&](double t) {
    button.ticker().freeze(t);
    return views::renderWidget(button, 1).convertToFormat(QImage::Format_ARGB32);
  };
  EXPECT_NE(at(0.0), at(4.9)) << "an enabled primary button shows the moving sheen";
  button.setEnabled(false);
  const QImage resting = at(0.0);
  EXPECT_EQ(resting, at(4.9)) << "a disabled button has no sheen";
  // The fill is opaque ink, so the whole button's opacity shows in its most opaque pixel.
  EXPECT_NEAR(maxAlpha(resting), 0.38 * 255, 2);
  EXPECT_FALSE(button.showsSheen());
}

TEST_F(LookWidgets, ButtonOpacityByState) {
  EXPECT_DOUBLE_EQ(MarginButton::opacity(false, false), 0.38);
  EXPECT_DOUBLE_EQ(MarginButton::opacity(false, true), 0.38);
  EXPECT_DOUBLE_EQ(MarginButton::opacity(true, true), 0.75);
  EXPECT_DOUBLE_EQ(MarginButton::opacity(true, false), 1.0);
  MarginButton secondary("Later", false);
  EXPECT_FALSE(secondary.showsSheen());
}

TEST_F(LookWidgets, SwitchTogglesOnClickAndReportsOnOff) {
  OrbitSwitch sw;
  sw.resize(sw.sizeHint());
  auto* a11y = QAccessible::queryAccessibleInterface(&sw);
  ASSERT_NE(a11y, nullptr);
  EXPECT_EQ(a11y->role(), QAccessible::Button);
  EXPECT_EQ(a11y->childCount(), 0);
  EXPECT_EQ(a11y->text(QAccessible::Value), "Off");
  QTest::mouseClick(&sw, Qt::LeftButton, {}, QPoint(19, 11));
  EXPECT_TRUE(sw.isChecked());
  EXPECT_EQ(a11y->text(QAccessible::Value), "On");
  QTest::mouseClick(&sw, Qt::LeftButton, {}, QPoint(19, 11));
  EXPECT_FALSE(sw.isChecked());
  EXPECT_EQ(a11y->text(QAccessible::Value), "Off");
}

TEST_F(LookWidgets, SwitchKnobJumpsUnderReducedMotionAndSlidesOtherwise) {
  OrbitSwitch sw;
  sw.setAttribute(Qt::WA_DontShowOnScreen);
  sw.show();
  sw.setChecked(true);
  EXPECT_LT(sw.knob(), 1.0) << "the knob slides with the ease curve";
  setReducedMotion(true);
  sw.setChecked(false);
  EXPECT_EQ(sw.knob(), 0.0);
}

TEST_F(LookWidgets, TheKnobStandsOutFromItsTrackOnAndOffLightAndDark) {
  setReducedMotion(true);
  for (const Appearance a : {Appearance::light, Appearance::dark}) {
    setAppearance(a);
    for (const bool on : {false, true}) {
      OrbitSwitch sw;
      sw.setChecked(on);
      sw.resize(sw.sizeHint());
      QImage img(sw.size(), QImage::Format_ARGB32);
      img.fill(Margin::card.resolve(a));  // switches sit on cards
      sw.render(&img);
      const QColor knob = img.pixelColor(on ? 38 - 11 : 11, 11);
      const QColor track = img.pixelColor(on ? 6 : 38 - 5, 11);
      EXPECT_GT(std::abs(knob.lightness() - track.lightness()), 30)
          << (a == Appearance::dark ? "dark" : "light") << (on ? " on" : " off");
    }
  }
}

TEST_F(LookWidgets, HeadlineAndEyebrowRuns) {
  EXPECT_EQ(Headline("Read it", std::nullopt, 30).run(), "Read it");
  EXPECT_EQ(Headline("Read it", QString("aloud"), 30).run(), "Read it aloud");
  EXPECT_EQ(Eyebrow("Step one", std::nullopt, false).run(), "STEP ONE");
  EXPECT_EQ(Eyebrow("Step one", QString("of three"), false).run(), "STEP ONE  OF THREE");
}

TEST_F(LookWidgets, EyebrowRuleOnlyWhenAsked) {
  Eyebrow plain("Voice", std::nullopt, false);
  Eyebrow ruled("Voice", std::nullopt, true);
  EXPECT_FALSE(plain.layout().rule.has_value());
  ASSERT_TRUE(ruled.layout().rule.has_value());
  EXPECT_EQ(ruled.layout().rule->width(), 48);
  EXPECT_EQ(ruled.layout().rule->left(), ruled.layout().text.right() + 12);
  EXPECT_EQ(ruled.sizeHint().width(), plain.sizeHint().width() + 60);
}

TEST_F(LookWidgets, StatusDotNotOkHasNoRing) {
  // A ring would reach past the 8 px dot; nothing may be drawn outside it when not ok.
  for (bool ok : {true, false}) {
    StatusDot dot(ok);
    dot.ticker().freeze(0.6);
    const QImage img = views::renderWidget(dot, 1).convertToFormat(QImage::Format_ARGB32);
    int outside = 0;
    const QPointF c = QRectF(img.rect()).center();
    for (int y = 0; y < img.height(); ++y) {
      for (int x = 0; x < img.width(); ++x) {
        if (QLineF(c, QPointF(x + 0.5, y + 0.5)).length() > 5.5 && qAlpha(img.pixel(x, y)) > 0) {
          ++outside;
        }
      }
    }
    EXPECT_EQ(outside > 0, ok) << (ok ? "ok has its ring" : "not ok has a ring");
  }
}

TEST_F(LookWidgets, TheHeroOrbsGlowFadesOutInsideItsWidgetAtEverySize) {
  // Sizes the windows use; the breath at its widest.
  for (const double size : {14.0, 16.0, 26.0, 92.0}) {
    HeroOrb orb(size);
    orb.ticker().freeze(1.5);
    orb.resize(orb.sizeHint());
    const QImage img = views::renderWidget(orb, 1).convertToFormat(QImage::Format_ARGB32);
    int edge = 0;
    for (int i = 0; i < img.width(); ++i) {
      for (const QPoint p : {QPoint(i, 0), QPoint(i, img.height() - 1), QPoint(0, i), QPoint(img.width() - 1, i)}) {
        edge = std::max(edge, qAlpha(img.pixel(p)));
      }
    }
    EXPECT_LE(edge, 2) << "size " << size << ": the glow is cut by the widget's edge";
    EXPECT_GT(qAlpha(img.pixel(img.width() / 2, img.height() / 2)), 250) << size;
  }
}

TEST_F(LookWidgets, MovingPiecesRunNoTimerUnderReducedMotion) {
  for (bool reduced : {false, true}) {
    setReducedMotion(reduced);
    HeroOrb orb(60);
    StatusDot dot(true);
    MarginButton button("Go", true);
    for (QWidget* w : std::initializer_list<QWidget*>{&orb, &dot, &button}) {
      w->setAttribute(Qt::WA_DontShowOnScreen);
      w->show();
    }
    EXPECT_EQ(orb.ticker().isRunning(), !reduced);
    EXPECT_EQ(dot.ticker().isRunning(), !reduced);
    EXPECT_EQ(button.ticker().isRunning(), !reduced);
    orb.hide();
    EXPECT_FALSE(orb.ticker().isRunning()) << "a hidden piece does not redraw";
  }
}

TEST_F(LookWidgets, LookSheetDiffersBetweenAppearances) {
  const auto* shot = views::findShot("look");
  ASSERT_NE(shot, nullptr);
  setAppearance(Appearance::light);
  const QImage light = shot->render(1).convertToFormat(QImage::Format_ARGB32);
  setAppearance(Appearance::dark);
  const QImage dark = shot->render(1).convertToFormat(QImage::Format_ARGB32);
  // The sheet's background is the paper of each look.
  EXPECT_EQ(light.pixel(2, 2) & 0xFFFFFF, 0xF3EEE5u);
  EXPECT_EQ(dark.pixel(2, 2) & 0xFFFFFF, 0x08090Du);
}

}  // namespace
}  // namespace orvak::look

namespace orvak::look {
namespace {

TEST(TextStyles, DigitsFontHasDigitsOfOneWidth) {
  for (double size : {11.0, 13.0, 20.0}) {
    EXPECT_TRUE(hasEqualDigits(digitsFont(size))) << size;
  }
  EXPECT_EQ(headlineFont(40).letterSpacing(), -1.0);
  EXPECT_EQ(headlineFont(40).letterSpacingType(), QFont::AbsoluteSpacing);
  EXPECT_NEAR(eyebrowFont().letterSpacing(), 1.3, 1.0 / 64);  // Qt keeps 1/64 px steps
}

}  // namespace
}  // namespace orvak::look
