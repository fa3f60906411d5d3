// The X11 keyboard and clock in the numbering and time the rest of the program uses: physical
// key codes of an X server (evdev numbering, the same on every PC keyboard) turned into the key
// codes of platform/events.h, the key codes posted chords name turned into key symbols, and the
// server's millisecond time stamps turned into our monotonic clock.
#pragma once

#include <cstdint>
#include <optional>

namespace orvak::x11 {

// Key codes of other keys than the modifiers and Caps Lock are this offset plus the X key code,
// so they never meet the numbers events.h gives to modifier keys.
inline constexpr std::uint16_t kOtherKeyBase = 0x100;

// The events.h key code of a physical X key: modifier keys and Caps Lock by their place on the
// keyboard (Right Alt is 61 whatever symbol the layout gives it), any other key kOtherKeyBase
// plus its X code.
std::uint16_t keyCodeOfX(unsigned xKeyCode);

// The physical X key of an events.h modifier or Caps Lock key code; none for any other.
std::optional<unsigned> xKeyOfModifier(std::uint16_t keyCode);

// The key symbol (X11 keysym) of a posted chord's key code (the original desktop's virtual key
// numbering: 0 is A, 4 is H, 36 Return); none for keys this program never posts.
std::optional<unsigned long> keySymOfChordKey(int keyCode);

// Turns the X server's time stamps (milliseconds in 32 bits, wrapping every 49.7 days, on a clock
// of the server's own) into seconds on our monotonic clock. The offset between the two clocks is
// learnt from the events themselves: an event is never delivered before it happened, so the
// smallest gap between arrival and stamp seen so far is the best estimate of the offset. A time
// is never later than the moment it is converted.
class ServerClock {
 public:
  // `serverMs`: the event's stamp; `nowNanos`: our monotonic clock when the event arrived.
  double toMonotonic(std::uint32_t serverMs, std::uint64_t nowNanos);

 private:
  bool started_ = false;
  std::uint32_t lastRaw_ = 0;
  std::int64_t lastMs_ = 0;    // the last stamp, unwrapped
  std::int64_t offsetNs_ = 0;  // our clock minus the server's, smallest seen
};

}  // namespace orvak::x11
