#include "app/settings/cheat_sheet.h"

#include "app/hotkey/modifier_tap.h"

namespace orvak::CheatSheet {

std::vector<Group> groups(const std::string& key) {
  return {
      {"Reading",
       {{"Double-tap " + key, "Read the front window, or stop"},
        {"Hold " + key, "Talk to Orvak, anytime"},
        {"“pause” · “keep going”", "Pause and carry on"},
        {"“faster” · “slower”", "Change the speed"},
        {"“read from here”", "Jump to what's on screen"},
        {"“start over”", "Back to the top"}}},
      {"Moving around",
       {{"“skip ahead” · “go back”", "One sentence"},
        {"“repeat that”", "Hear it again"},
        {"“next paragraph” · “next section”", "Or “previous paragraph”, “previous section”"},
        {"“go back to the part about…”", "Or just say what you want"}}},
      {"Saving",
       {{"“highlight that”", "Save the sentence"},
        {"“highlight that whole paragraph”", "Save the paragraph"},
        {"“save a note: …”", "Your words, with what you heard"},
        {"“write a document about this”", "Written up in Documents"}}},
      {"Asking",
       {{"“why did they…?”", "Ask about the page"},
        {"“summarize this”", "The page, or “this part”"},
        {"“define …”", "Look a word up"},
        {"In the Library", "Ask what you saved and listened to"}}},
  };
}

std::vector<Group> shown(const std::string& key, bool compact) {
  auto all = groups(key);
  if (!compact) return all;
  for (auto& g : all) {
    if (g.rows.size() >= 3) g.rows.resize(2);
  }
  return all;
}

std::string keyName(std::uint16_t keyCode) { return ModifierTap::Choice::with(keyCode).name; }

}  // namespace orvak::CheatSheet
