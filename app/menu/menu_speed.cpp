#include <charconv>
#include <cmath>
#include <limits>

#include "app/menu/status_menu.h"

namespace orvak {

std::string StatusMenu::speed(float value) {
  const double v = value;
  // Only a finite whole number that fits an int is printed as one; the conversion is then defined.
  if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) <= double(std::numeric_limits<int>::max())) {
    return std::to_string(static_cast<int>(v)) + "×";
  }
  // "%.2g" in the C locale whatever the process's locale is (Qt sets the user's at start-up).
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 2);
  return std::string(buf, r.ptr) + "×";
}

}  // namespace orvak
