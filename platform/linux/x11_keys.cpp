#include "platform/linux/x11_keys.h"

#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <utility>

namespace orvak::x11 {

namespace {

// Physical X key codes of the modifiers and Caps Lock against the numbering of events.h.
constexpr std::array<std::pair<unsigned, std::uint16_t>, 9> kModifierKeys{{
    {62, 60},   // Right Shift
    {108, 61},  // Right Alt (AltGr on many layouts: the key, not its symbol)
    {134, 54},  // Right Super
    {105, 62},  // Right Control
    {37, 59},   // Left Control
    {64, 58},   // Left Alt
    {50, 56},   // Left Shift
    {133, 55},  // Left Super
    {66, 57},   // Caps Lock
}};

// Virtual key codes of the keys a chord may name, against their unshifted key symbols.
constexpr std::array<std::pair<int, unsigned long>, 50> kChordKeys{{
    {0, XK_a},      {1, XK_s},          {2, XK_d},
    {3, XK_f},      {4, XK_h},          {5, XK_g},
    {6, XK_z},      {7, XK_x},          {8, XK_c},
    {9, XK_v},      {11, XK_b},         {12, XK_q},
    {13, XK_w},     {14, XK_e},         {15, XK_r},
    {16, XK_y},     {17, XK_t},         {18, XK_1},
    {19, XK_2},     {20, XK_3},         {21, XK_4},
    {22, XK_6},     {23, XK_5},         {24, XK_equal},
    {25, XK_9},     {26, XK_7},         {27, XK_minus},
    {28, XK_8},     {29, XK_0},         {30, XK_bracketright},
    {31, XK_o},     {32, XK_u},         {33, XK_bracketleft},
    {34, XK_i},     {35, XK_p},         {36, XK_Return},
    {37, XK_l},     {38, XK_j},         {39, XK_apostrophe},
    {40, XK_k},     {41, XK_semicolon}, {42, XK_backslash},
    {43, XK_comma}, {44, XK_slash},     {45, XK_n},
    {46, XK_m},     {47, XK_period},    {48, XK_Tab},
    {49, XK_space}, {53, XK_Escape},
}};

}  // namespace

std::uint16_t keyCodeOfX(unsigned xKeyCode) {
  for (const auto& [x, code] : kModifierKeys) {
    if (x == xKeyCode) return code;
  }
  return static_cast<std::uint16_t>(kOtherKeyBase + std::min(xKeyCode, 0xffu));
}

std::optional<unsigned> xKeyOfModifier(std::uint16_t keyCode) {
  for (const auto& [x, code] : kModifierKeys) {
    if (code == keyCode) return x;
  }
  return std::nullopt;
}

std::optional<unsigned long> keySymOfChordKey(int keyCode) {
  for (const auto& [code, sym] : kChordKeys) {
    if (code == keyCode) return sym;
  }
  return std::nullopt;
}

double ServerClock::toMonotonic(std::uint32_t serverMs, std::uint64_t nowNanos) {
  const bool first = !started_;
  if (first) {
    started_ = true;
    lastMs_ = serverMs;
  } else {
    // The signed distance from the last stamp: a wrap past 2^32 reads as a small step forward,
    // an event stamped a little before the last one as a small step back.
    lastMs_ += static_cast<std::int32_t>(serverMs - lastRaw_);
  }
  lastRaw_ = serverMs;
  const auto now = static_cast<std::int64_t>(nowNanos);
  const std::int64_t gap = now - lastMs_ * 1'000'000;
  if (first || gap < offsetNs_) offsetNs_ = gap;
  const std::int64_t at = std::min(now, lastMs_ * 1'000'000 + offsetNs_);
  return static_cast<double>(at) / 1e9;
}

}  // namespace orvak::x11
