#include <gtest/gtest.h>

#include <QEasingCurve>

#include "app/views/look/appearance.h"
#include "app/views/look/curves.h"
#include "app/views/look/palette.h"
#include "tests/views/look_test.h"

namespace orvak::look {
namespace {

struct Entry {
  const char* name;
  const DynColor& colour;
  std::uint32_t light;
  double lightAlpha;
  std::uint32_t dark;
  double darkAlpha;
};

std::uint32_t hex(const QColor& c) { return std::uint32_t(c.rgb() & 0xFFFFFF); }

TEST(Palette, EveryEntryResolvesToItsLightAndDarkValue) {
  const Entry table[] = {
      {"paper", Margin::paper, 0xF3EEE5, 1, 0x08090D, 1},
      {"margin", Margin::margin, 0xEAE2D4, 1, 0x0E1017, 1},
      {"card", Margin::card, 0xFBF8F2, 1, 0x12141C, 1},
      {"deep", Margin::deep, 0x14110D, 1, 0x05060A, 1},
      {"ink", Margin::ink, 0x17130E, 1, 0xF4EFE6, 1},
      {"ink2", Margin::ink2, 0x4B443A, 1, 0xBDB6AA, 1},
      {"ink3", Margin::ink3, 0x655D51, 1, 0x9D968A, 1},
      {"line", Margin::line, 0x17130E, 0.13, 0xF4EFE6, 0.13},
      {"line2", Margin::line2, 0x17130E, 0.07, 0xF4EFE6, 0.06},
      {"accent", Margin::accent, 0x9A3A22, 1, 0xF3B37F, 1},
      {"marker", Margin::marker, 0xE58A5C, 1, 0xF3B37F, 1},
      {"markerBand", Margin::markerBand, 0xE58A5C, 0.30, 0xF3B37F, 0.24},
      {"markerWord", Margin::markerWord, 0xE58A5C, 0.46, 0xF3B37F, 0.38},
      {"redPencil", Margin::redPencil, 0x9A3A22, 1, 0xF3B37F, 1},
      {"onInk", Margin::onInk, 0xF3EEE5, 1, 0x08090D, 1},
      {"Orbit.pill", Orbit::pill, 0x17130E, 1, 0xF4EFE6, 1},
      {"Orbit.ink", Orbit::ink, 0xF7F2E9, 1, 0x0B0C10, 1},
      {"Orbit.ink2", Orbit::ink2, 0xBDB4A6, 1, 0x4B4F5C, 1},
      {"Orbit.action", Orbit::action, 0xF3B37F, 1, 0xB4532A, 1},
      {"Orbit.glowTop", Orbit::glowTop, 0xF3B37F, 1, 0xF3B37F, 1},
      {"Orbit.glowBottom", Orbit::glowBottom, 0xE58A5C, 1, 0xE58A5C, 1},
  };
  for (const auto& e : table) {
    SCOPED_TRACE(e.name);
    const QColor light = e.colour.resolve(Appearance::light);
    const QColor dark = e.colour.resolve(Appearance::dark);
    const QColor other = e.colour.resolve(Appearance::other);
    EXPECT_EQ(hex(light), e.light);
    EXPECT_NEAR(light.alphaF(), e.lightAlpha, 0.003);
    EXPECT_EQ(hex(dark), e.dark);
    EXPECT_NEAR(dark.alphaF(), e.darkAlpha, 0.003);
    // A look that is neither light nor dark draws with the light values.
    EXPECT_EQ(other, light);
  }
}

TEST(Palette, RedPencilIsTheAccentItself) { EXPECT_EQ(&Margin::redPencil, &Margin::accent); }

using PaletteInForce = test::LookTest;

TEST_F(PaletteInForce, ColoursFollowTheAppearanceInForce) {
  setAppearance(Appearance::dark);
  EXPECT_EQ(hex(Margin::paper), 0x08090Du);
  setAppearance(Appearance::light);
  EXPECT_EQ(hex(Margin::paper), 0xF3EEE5u);
}

TEST(Palette, PortalColorSchemeValues) {
  EXPECT_EQ(appearanceFromColorScheme(0), Appearance::other);
  EXPECT_EQ(appearanceFromColorScheme(1), Appearance::dark);
  EXPECT_EQ(appearanceFromColorScheme(2), Appearance::light);
  EXPECT_EQ(appearanceFromColorScheme(7), Appearance::other);
}

TEST(Curves, ControlPointsAndDurations) {
  struct Case {
    Curve curve;
    QPointF c1, c2;
    int ms;
  };
  const Case table[] = {
      {Curve::ease, {0.2, 0.8}, {0.2, 1.0}, 300},
      {Curve::leave, {0.4, 0.0}, {1.0, 1.0}, 260},
      {Curve::enter, {0.2, 0.8}, {0.2, 1.0}, 500},
  };
  for (const auto& c : table) {
    const auto points = easing(c.curve).toCubicSpline();
    ASSERT_EQ(points.size(), 3);
    EXPECT_EQ(points[0], c.c1);
    EXPECT_EQ(points[1], c.c2);
    EXPECT_EQ(points[2], QPointF(1, 1));
    EXPECT_EQ(durationMs(c.curve), c.ms);
  }
  // The curves ease out: well past half way at a third of the time, except the leaving one.
  EXPECT_GT(easing(Curve::ease).valueForProgress(1.0 / 3), 0.6);
  EXPECT_LT(easing(Curve::leave).valueForProgress(1.0 / 3), 0.3);
}

}  // namespace
}  // namespace orvak::look
