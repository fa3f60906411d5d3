// The pill's small animations as pure functions of the time since they started.
#pragma once

namespace orvak::views::pill {

struct Ring {
  double scale;
  double opacity;
};

// A saved state's orb: the ring swells to 2.1 and fades over 0.7 s, once.
Ring orbPing(double elapsed);
// The warning mark's ring: swells to 1.9 and fades over 1.1 s, twice; still at 1 and 0.7 under
// reduced motion.
Ring warnPulse(double elapsed, bool reduced);

}  // namespace orvak::views::pill
