// The appearance setting: which look each value gives, and that the palettes are what they say.
#include "app/views/app_look.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/views/look/palette.h"

namespace {
using orvak::look::Appearance;
}

TEST(AppLookTest, ValuesMatchExactlyAndOnlySystemAsksTheDesktop) {
  struct Case {
    const char* value;
    Appearance desktop;
    Appearance expected;
    bool asksDesktop;
  };
  const std::vector<Case> cases{
      {"dark", Appearance::light, Appearance::dark, false},
      {"light", Appearance::dark, Appearance::light, false},
      {"Dark", Appearance::dark, Appearance::light, false},
      {"", Appearance::dark, Appearance::light, false},
      {"system ", Appearance::dark, Appearance::light, false},
      {"system", Appearance::dark, Appearance::dark, true},
      {"system", Appearance::light, Appearance::light, true},
      {"system", Appearance::other, Appearance::other, true},
  };
  for (const Case& c : cases) {
    bool asked = false;
    const Appearance got = orvak::views::AppLook::resolve(c.value, [&] {
      asked = true;
      return c.desktop;
    });
    EXPECT_EQ(got, c.expected) << '"' << c.value << '"';
    EXPECT_EQ(asked, c.asksDesktop) << '"' << c.value << '"';
  }
}

TEST(AppLookTest, EachPaletteHasTheLightnessOfItsLookAndReadableText) {
  for (Appearance a : {Appearance::light, Appearance::dark}) {
    const QPalette p = orvak::views::AppLook::palette(a);
    EXPECT_EQ(p.color(QPalette::Window).lightness() < 128, a == Appearance::dark);
    EXPECT_GT(std::abs(p.color(QPalette::Text).lightness() - p.color(QPalette::Base).lightness()), 150);
    EXPECT_GT(std::abs(p.color(QPalette::WindowText).lightness() - p.color(QPalette::Window).lightness()), 150);
  }
}

TEST(AppLookTest, StockControlsTakeTheLooksOwnColours) {
  namespace M = orvak::look::Margin;
  for (Appearance a : {Appearance::light, Appearance::dark}) {
    const QPalette p = orvak::views::AppLook::palette(a);
    struct Case {
      QPalette::ColorRole role;
      const orvak::look::DynColor& colour;
    };
    for (const Case& c : {Case{QPalette::Window, M::paper}, Case{QPalette::Base, M::card},
                          Case{QPalette::Button, M::card}, Case{QPalette::Text, M::ink},
                          Case{QPalette::Highlight, M::accent}, Case{QPalette::PlaceholderText, M::ink3}}) {
      EXPECT_EQ(p.color(c.role), c.colour.resolve(a)) << "role " << int(c.role) << (a == Appearance::dark ? " dark" : "");
    }
  }
}
