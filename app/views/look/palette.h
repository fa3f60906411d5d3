// The two palettes: `Margin` for the library, onboarding and settings windows, `Orbit` for the
// pill and the orb. A colour is a (light, dark) pair resolved when it is painted, so a change of
// appearance needs no work here.
#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QPointF>
#include <array>
#include <cstdint>

#include "app/views/look/appearance.h"

namespace orvak::look {

// One colour of the palettes: 0xRRGGBB values with their alphas for each appearance.
struct DynColor {
  std::uint32_t light;
  std::uint32_t dark;
  double lightAlpha = 1.0;
  double darkAlpha = 1.0;

  // The dark values for a dark appearance, the light ones for anything else.
  QColor resolve(Appearance appearance) const;
  // Resolved against the process's appearance in force.
  QColor color() const { return resolve(look::appearance()); }
  operator QColor() const { return color(); }
  bool operator==(const DynColor&) const = default;
};

// An sRGB colour from 0xRRGGBB and an alpha.
QColor rgb(std::uint32_t value, double alpha = 1.0);

constexpr DynColor fixedColor(std::uint32_t value) { return {value, value, 1.0, 1.0}; }

namespace Margin {

// The argument order (dark first) is the one every palette entry below is written in.
constexpr DynColor dyn(std::uint32_t dark, std::uint32_t light, double darkAlpha = 1.0, double lightAlpha = 1.0) {
  return {light, dark, lightAlpha, darkAlpha};
}

inline constexpr DynColor paper = dyn(0x08090D, 0xF3EEE5);
inline constexpr DynColor margin = dyn(0x0E1017, 0xEAE2D4);
inline constexpr DynColor card = dyn(0x12141C, 0xFBF8F2);
inline constexpr DynColor deep = dyn(0x05060A, 0x14110D);
inline constexpr DynColor ink = dyn(0xF4EFE6, 0x17130E);
inline constexpr DynColor ink2 = dyn(0xBDB6AA, 0x4B443A);
inline constexpr DynColor ink3 = dyn(0x9D968A, 0x655D51);
inline constexpr DynColor line = dyn(0xF4EFE6, 0x17130E, 0.13, 0.13);
inline constexpr DynColor line2 = dyn(0xF4EFE6, 0x17130E, 0.06, 0.07);
inline constexpr DynColor accent = dyn(0xF3B37F, 0x9A3A22);
inline constexpr DynColor marker = dyn(0xF3B37F, 0xE58A5C);
inline constexpr DynColor markerBand = dyn(0xF3B37F, 0xE58A5C, 0.24, 0.30);
inline constexpr DynColor markerWord = dyn(0xF3B37F, 0xE58A5C, 0.38, 0.46);
// The hotkey test row and settings mark in red pencil, which is the accent itself.
inline constexpr const DynColor& redPencil = accent;
inline constexpr DynColor onInk = dyn(0x08090D, 0xF3EEE5);

}  // namespace Margin

namespace Orbit {

// The pill is dark on a light desktop and light on a dark one.
inline constexpr DynColor pill = Margin::dyn(0xF4EFE6, 0x17130E);
inline constexpr DynColor ink = Margin::dyn(0x0B0C10, 0xF7F2E9);
inline constexpr DynColor ink2 = Margin::dyn(0x4B4F5C, 0xBDB4A6);
inline constexpr DynColor action = Margin::dyn(0xB4532A, 0xF3B37F);
inline constexpr DynColor glowTop = fixedColor(0xF3B37F);
inline constexpr DynColor glowBottom = fixedColor(0xE58A5C);
// The pill's level bars, top to bottom: the glow on the dark pill; on the light pill of the dark
// look the glow's pale apricot hardly shows, so they take the deeper burnt orange there.
inline constexpr DynColor barTop = Margin::dyn(0xB4532A, 0xF3B37F);
inline constexpr DynColor barBottom = Margin::dyn(0x9A3A22, 0xE58A5C);
// The orb's gradient, from its lit centre outward.
inline constexpr std::array<std::uint32_t, 4> orb{0xEBDDFF, 0xF4B07C, 0xB5527A, 0x1A1C42};
inline constexpr std::array<double, 4> orbStops{0.0, 0.3, 0.62, 1.0};

}  // namespace Orbit

// The emphasised words' gradient, leading to trailing edge.
inline constexpr std::array<DynColor, 3> glowColors{Margin::dyn(0xF6C08E, 0x8E3219), Margin::dyn(0xF3A27A, 0xB4472A),
                                                    Margin::dyn(0xC9B8FF, 0x6E3A8A)};
// The gradient from `from` to `to`, in the appearance in force.
QLinearGradient glow(QPointF from, QPointF to);

}  // namespace orvak::look
