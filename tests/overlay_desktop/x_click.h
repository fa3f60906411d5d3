// Clicks through the X server, kept apart from the tests because Xlib's macros clash with Qt's and
// the test framework's names.
#pragma once

namespace orvak::views {

// A click of `button` (1 primary, 3 secondary) at a point of the screen, as a user's would arrive;
// false without a display.
bool clickAt(int x, int y, unsigned button = 1);
// Moves the pointer to a point of the screen without pressing anything.
bool moveTo(int x, int y);

}  // namespace orvak::views
