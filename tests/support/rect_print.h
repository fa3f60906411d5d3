// Readable rectangles in failure messages, rather than gtest's dump of their bytes.
#pragma once

#include <ostream>

#include "platform/ax.h"

namespace orvak::ax {

inline void PrintTo(const Rect& r, std::ostream* os) {
  *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}

}  // namespace orvak::ax
