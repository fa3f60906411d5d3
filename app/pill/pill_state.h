// What the pill shows: the capsule's state and the notice card's button.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orvak {

struct PillState {
  // Chooses the glyph drawn beside the text.
  enum class Kind { working, reading, paused, listening, saved, info, warn, finished };

  Kind kind = Kind::info;
  std::string state;     // the main text
  std::string sub;       // the secondary text, empty for none
  std::string progress;  // "12 / 40" while reading, empty for none
  float speed = 1.0f;    // shown on the speed button; 1.0 when not reading
  // Counts changes of kind, state or sub; only the pill's display step sets it, so the views
  // can animate a change of text and leave a new counter or speed alone.
  std::int64_t serial = 0;

  bool operator==(const PillState&) const = default;
};

// The one button of a notice card. Two notices are the same card when title and icon are; the
// action is not compared.
struct PillNotice {
  std::string title;  // the button's title
  std::string icon;   // a symbol name from resources/symbols
  std::function<void()> run;

  bool operator==(const PillNotice& other) const { return title == other.title && icon == other.icon; }
};

const char* kindName(PillState::Kind kind);

}  // namespace orvak
