// What the key chooser shows and does, without the widgets: the texts of its menu items and
// cards, which choice is selected, and the test row below them. It keeps no state of its own:
// everything follows the settings' `hotkeyCode` and the hotkey test. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "app/hotkey/hotkey_test.h"
#include "app/hotkey/modifier_tap.h"
#include "app/prefs.h"

namespace orvak {

class HotkeyPickerModel {
 public:
  using Choice = ModifierTap::Choice;

  // "Right Alt double-tap — AltGr on many layouts"; no dash without a known clash.
  static std::string menuText(const Choice& choice);
  // "Right Alt, twice".
  static std::string cardTitle(const Choice& choice);
  // The known clash with its first character upper-cased, else "Free on most keyboards".
  static std::string cardCaption(const Choice& choice);
  // What a key cap shows for a key code: "⇧", "Alt", "❖" (Super) or "Ctrl".
  static std::string glyph(std::uint16_t keyCode);

  // `keyWatched` false: this session cannot watch the key (Wayland without X), so nothing arms
  // the test and the row says why instead of offering one that would wait forever.
  HotkeyPickerModel(Prefs& prefs, HotkeyTest& test, bool keyWatched = true)
      : prefs_(prefs), test_(test), keyWatched_(keyWatched) {}
  static constexpr const char* kUnwatchedRow =
      "This session can't watch keys (that needs an X11 session), so the key can't be tried here. Pick one "
      "and go on.";

  // The index in `Choice::all()` of the stored key; none when the stored code is not one of them.
  std::optional<std::size_t> selectedIndex() const;
  // The stored key as a choice, for texts that name it: Right Shift for an unknown code (the key
  // the tap watches for such a code).
  Choice current() const { return Choice::with(prefs_.hotkeyCode()); }

  // Stores the key (even when it is already the stored one), then starts the test.
  void select(std::uint16_t keyCode);
  // "Test It" and "Again": starts the test with the key as it is.
  void test() {
    if (keyWatched_) test_.arm();
  }

  // The test row for the test's present state.
  struct Row {
    HotkeyTest::State::Kind kind = HotkeyTest::State::Kind::idle;
    std::optional<std::string> glyph;   // waiting: the key cap
    std::string text;                   // empty when idle
    std::optional<std::string> button;  // "Test It" or "Again"
    bool operator==(const Row&) const = default;
  };
  Row row() const;

 private:
  Prefs& prefs_;
  HotkeyTest& test_;
  bool keyWatched_;
};

}  // namespace orvak
