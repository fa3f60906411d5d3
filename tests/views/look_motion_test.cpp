#include <gtest/gtest.h>

#include <QPainterPath>
#include <cmath>

#include "app/views/look/motion.h"
#include "app/views/look/painting.h"

namespace orvak::look {
namespace {

TEST(Squiggle, CurvesEveryFourPixelsAndEndsAtTheRightEdge) {
  struct Case {
    double width;
    int curves;
  };
  for (const Case c : {Case{16, 4}, Case{18, 5}, Case{3, 1}, Case{0, 0}}) {
    SCOPED_TRACE(c.width);
    const QRectF rect(10, 20, c.width, 6);
    const QPainterPath path = squigglePath(rect);
    // Qt keeps quadratic curves as cubic ones: one move, then three elements per curve.
    ASSERT_EQ(path.elementCount(), 1 + 3 * c.curves);
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(10, 23));
    if (c.curves == 0) {
      continue;
    }
    EXPECT_EQ(QPointF(path.elementAt(path.elementCount() - 1)), QPointF(rect.right(), 23));
    // The quadratic control point of curve i, recovered from its cubic form.
    auto control = [&](int i) {
      const QPointF start = path.elementAt(3 * i);
      return start + 1.5 * (QPointF(path.elementAt(3 * i + 1)) - start);
    };
    const QPointF first = control(0);
    EXPECT_NEAR(first.x(), 12, 1e-9);
    EXPECT_NEAR(first.y(), 20, 1e-9) << "the first curve bulges to the top";
    if (c.curves > 1) {
      const QPointF second = control(1);
      EXPECT_NEAR(second.x(), 16, 1e-9);
      EXPECT_NEAR(second.y(), 26, 1e-9) << "the second to the bottom";
      EXPECT_EQ(QPointF(path.elementAt(6)), QPointF(18, 23));
    }
  }
}

TEST(Shine, RestsLeftThenSweepsAcross) {
  struct Case {
    double t;
    double x;
  };
  const Case table[] = {
      {0.0, -1.2}, {3.84, -1.2},  // resting for 3.85 s
      {3.85, -1.2}, {3.85 + 1.65 / 2, 0.0}, {5.49999, 1.2 - 1e-4},  // the sweep
      {5.5, -1.2},  // the next cycle starts off to the left again
      {5.5 * 100 + 3.85 + 1.65 / 4, -0.6},
  };
  for (const auto& c : table) {
    EXPECT_NEAR(shineOffset(c.t), c.x, 1e-3) << "t=" << c.t;
  }
}

TEST(HeroOrb, BreathesOverSixSecondsAndItsLightWanders) {
  struct Case {
    double t, breath, cx, cy;
  };
  const Case table[] = {
      {0.0, 1.0, 0.32, 0.35},
      {1.5, 1.035, 0.32 + 0.06 * std::sin(1.5 / 3.1), 0.3 + 0.05 * std::cos(1.5 / 2.7)},
      {4.5, 0.965, 0.32 + 0.06 * std::sin(4.5 / 3.1), 0.3 + 0.05 * std::cos(4.5 / 2.7)},
      {6.0, 1.0, 0.32 + 0.06 * std::sin(6.0 / 3.1), 0.3 + 0.05 * std::cos(6.0 / 2.7)},
  };
  for (const auto& c : table) {
    const auto f = heroOrbFrame(c.t);
    EXPECT_NEAR(f.breath, c.breath, 1e-9) << "t=" << c.t;
    EXPECT_NEAR(f.highlight.x(), c.cx, 1e-9) << "t=" << c.t;
    EXPECT_NEAR(f.highlight.y(), c.cy, 1e-9) << "t=" << c.t;
  }
}

TEST(StatusDot, RingSpreadsWhenOkAndTheDotBlinksWhenNot) {
  // Ok: the ring starts at the dot's size, fully shown at 0.7, and spreads to 2.4 as it fades.
  const auto start = statusDotFrame(true, 0);
  EXPECT_DOUBLE_EQ(start.ringScale, 1.0);
  EXPECT_DOUBLE_EQ(start.ringOpacity, 0.7);
  const auto late = statusDotFrame(true, 1.999);
  EXPECT_NEAR(late.ringScale, 2.4, 0.01);
  EXPECT_NEAR(late.ringOpacity, 0.0, 0.01);
  EXPECT_DOUBLE_EQ(statusDotFrame(true, 1.0).dotOpacity, 1.0);
  // Not ok: no ring at any time; the dot goes to 0.25 at 0.7 s and back at 1.4 s.
  for (double t : {0.0, 0.35, 0.7, 1.05, 1.4}) {
    EXPECT_EQ(statusDotFrame(false, t).ringOpacity, 0.0) << t;
  }
  EXPECT_DOUBLE_EQ(statusDotFrame(false, 0).dotOpacity, 1.0);
  EXPECT_NEAR(statusDotFrame(false, 0.7).dotOpacity, 0.25, 1e-9);
  EXPECT_NEAR(statusDotFrame(false, 1.4).dotOpacity, 1.0, 1e-9);
  EXPECT_NEAR(statusDotFrame(false, 0.35).dotOpacity, statusDotFrame(false, 1.05).dotOpacity, 1e-9);
}

TEST(Marked, BandSitsOnTheLowerPartOfTheText) {
  EXPECT_EQ(markedBand(QRectF(10, 100, 50, 20)), QRectF(7, 107.2, 56, 12));
}

}  // namespace
}  // namespace orvak::look
