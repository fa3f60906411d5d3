// The appearance setting: which scheme each value gives, and that the palettes are what they say.
#include "app/views/app_look.h"

#include <gtest/gtest.h>

#include <optional>

namespace {
using orvak::AppLook::Scheme;
}

TEST(AppLookTest, ValuesMatchExactlyAndSystemAsksTheDesktopThenTheStyle) {
  struct Case {
    const char* value;
    std::optional<Scheme> desktop;
    Scheme fallback;
    Scheme expected;
    bool asksDesktop;
  };
  const std::vector<Case> cases{
      {"dark", Scheme::light, Scheme::light, Scheme::dark, false},
      {"light", Scheme::dark, Scheme::dark, Scheme::light, false},
      {"Dark", Scheme::dark, Scheme::dark, Scheme::light, false},
      {"", Scheme::dark, Scheme::dark, Scheme::light, false},
      {"system ", Scheme::dark, Scheme::dark, Scheme::light, false},
      {"system", Scheme::dark, Scheme::light, Scheme::dark, true},
      {"system", Scheme::light, Scheme::dark, Scheme::light, true},
      {"system", std::nullopt, Scheme::dark, Scheme::dark, true},
      {"system", std::nullopt, Scheme::light, Scheme::light, true},
  };
  for (const Case& c : cases) {
    bool asked = false;
    const Scheme got = orvak::AppLook::resolve(
        c.value,
        [&] {
          asked = true;
          return c.desktop;
        },
        [&] { return c.fallback; });
    EXPECT_EQ(got, c.expected) << '"' << c.value << '"';
    EXPECT_EQ(asked, c.asksDesktop) << '"' << c.value << '"';
  }
}

TEST(AppLookTest, EachPaletteHasTheLightnessOfItsScheme) {
  for (Scheme s : {Scheme::light, Scheme::dark}) {
    const QPalette p = orvak::AppLook::palette(s);
    EXPECT_EQ(orvak::AppLook::schemeOf(p), s);
    // Text must stand out from what it is written on.
    EXPECT_GT(std::abs(p.color(QPalette::Text).lightness() - p.color(QPalette::Base).lightness()), 150);
    EXPECT_GT(std::abs(p.color(QPalette::WindowText).lightness() - p.color(QPalette::Window).lightness()), 150);
  }
}
