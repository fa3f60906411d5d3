#include "app/hotkey/hotkey_picker_model.h"

#include "core/text/text.h"

namespace orvak {

std::string HotkeyPickerModel::menuText(const Choice& choice) {
  std::string text = choice.name + " double-tap";
  if (choice.knownClash) text += " \u2014 " + *choice.knownClash;
  return text;
}

std::string HotkeyPickerModel::cardTitle(const Choice& choice) { return choice.name + ", twice"; }

std::string HotkeyPickerModel::cardCaption(const Choice& choice) {
  if (!choice.knownClash) return "Free on most keyboards";
  const std::string& clash = *choice.knownClash;
  const std::string_view first = text::graphemePrefix(clash, 1);
  return text::uppercase(first) + clash.substr(first.size());
}

std::string HotkeyPickerModel::glyph(std::uint16_t keyCode) { return ModifierTap::glyph(keyCode); }

std::optional<std::size_t> HotkeyPickerModel::selectedIndex() const {
  const auto& all = Choice::all();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i].keyCode == prefs_.hotkeyCode()) return i;
  }
  return std::nullopt;
}

void HotkeyPickerModel::select(std::uint16_t keyCode) {
  prefs_.setHotkeyCode(keyCode);
  test();
}

HotkeyPickerModel::Row HotkeyPickerModel::row() const {
  using Kind = HotkeyTest::State::Kind;
  const auto& state = test_.state();
  Row row{state.kind, std::nullopt, {}, std::nullopt};
  if (!keyWatched_) {
    row.kind = Kind::idle;
    row.text = kUnwatchedRow;
    return row;
  }
  switch (state.kind) {
    case Kind::idle:
      row.button = "Test It";
      break;
    case Kind::waiting:
      row.glyph = glyph(current().keyCode);
      row.text = "Now double-tap " + current().name + "\u2026";
      break;
    case Kind::checking:
      row.text = "Checking whether another app reacted\u2026";
      break;
    case Kind::ok:
      row.text = "It works, and nothing else reacted.";
      row.button = "Again";
      break;
    case Kind::clash: {
      std::string names;
      for (const auto& n : state.names) names += (names.empty() ? "" : ", ") + n;
      row.text = "Orvak got it, but " + names + " reacted too. Pick another key or change that app's shortcut.";
      row.button = "Again";
      break;
    }
  }
  return row;
}

}  // namespace orvak
