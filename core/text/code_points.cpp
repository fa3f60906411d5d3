#include "core/text/code_points.h"

#include <algorithm>

#include "core/text/text.h"

namespace orvak::text {

CodePointMap::CodePointMap(std::string_view utf8) {
  std::size_t i = 0;
  while (i < utf8.size()) {
    const char32_t c = nextScalar(utf8, i);
    if (text::utf16Length(c) == 2) astral_.push_back(count_);
    ++count_;
  }
  u16Length_ = count_ + static_cast<std::int64_t>(astral_.size());
}

std::int64_t CodePointMap::utf16Of(std::int64_t cp) const {
  cp = std::clamp<std::int64_t>(cp, 0, count_);
  // Every astral character before `cp` adds one unit.
  const auto before = std::lower_bound(astral_.begin(), astral_.end(), cp) - astral_.begin();
  return cp + before;
}

std::int64_t CodePointMap::codePointOf(std::int64_t unit) const {
  unit = std::clamp<std::int64_t>(unit, 0, u16Length_);
  // The astral character k (0-based) at code point a starts at unit a + k. Count those that
  // start at or before `unit`; the one starting exactly one unit earlier holds `unit` inside.
  std::int64_t lo = 0;
  std::int64_t hi = static_cast<std::int64_t>(astral_.size());
  while (lo < hi) {
    const std::int64_t mid = (lo + hi) / 2;
    if (astral_[std::size_t(mid)] + mid < unit) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  // `lo` astral characters start strictly before `unit`.
  if (lo > 0) {
    const std::int64_t k = lo - 1;
    if (astral_[std::size_t(k)] + k + 1 == unit) return astral_[std::size_t(k)];  // the low surrogate
  }
  return unit - lo;
}

std::int64_t CodePointMap::codePointEndingAt(std::int64_t unit) const {
  const std::int64_t cp = codePointOf(unit);
  return utf16Of(cp) < std::clamp<std::int64_t>(unit, 0, u16Length_) ? cp + 1 : cp;
}

}  // namespace orvak::text
