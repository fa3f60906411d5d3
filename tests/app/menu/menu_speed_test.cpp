#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/menu/status_menu.h"

namespace orvak {
namespace {

TEST(MenuBarSpeed, WholeNumbersAndTwoDigitsOtherwise) {
  struct Case {
    float value;
    const char* label;
  };
  const Case table[] = {
      {0.8f, "0.8×"}, {1.0f, "1×"},  {1.25f, "1.2×"}, {1.5f, "1.5×"},   {1.75f, "1.8×"},
      {2.0f, "2×"},   {3.0f, "3×"},  {-2.0f, "-2×"},  {0.25f, "0.25×"},
      // Not whole, or too large for an int: formatted, never converted.
      {std::numeric_limits<float>::quiet_NaN(), "nan×"}, {std::numeric_limits<float>::infinity(), "inf×"},
      {-std::numeric_limits<float>::infinity(), "-inf×"}, {1e20f, "1e+20×"},
  };
  for (const auto& c : table) {
    EXPECT_EQ(StatusMenu::speed(c.value), c.label) << c.value;
  }
}

}  // namespace
}  // namespace orvak
