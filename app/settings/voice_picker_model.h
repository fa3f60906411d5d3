// The natural voice picker's logic: which voices show under the search and the three filters,
// the accent menu, each row's tag and preview icon, and which row is chosen.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/account/voice_list.h"

namespace orvak::VoicePickerModel {

inline constexpr const char* kAnyone = "Anyone";
inline constexpr const char* kWomen = "Women";
inline constexpr const char* kMen = "Men";
inline constexpr const char* kAnyAccent = "Any accent";

struct Filters {
  std::string query;
  std::string who = kAnyone;
  std::string accent = kAnyAccent;
  bool showAll = false;  // voices of other languages too
};

// The voices that pass all four tests, in the list's order.
std::vector<VoiceCatalogItem> items(const VoiceCatalogList& list, const Filters& filters);
// The accent menu's entries after "Any accent": the English voices' accents, distinct, non-empty,
// sorted, each word capitalised.
std::vector<std::string> accents(const VoiceCatalogList& list);
// The tag after a voice's name: its first language's name for a voice without English, else its
// accent capitalised unless empty or "american"; none otherwise.
std::optional<std::string> tag(const VoiceCatalogItem& voice);
// "stop.fill" while its sample plays, "ellipsis" while it loads, else "play.fill".
std::string previewIcon(const std::string& id, const std::optional<std::string>& playing,
                        const std::optional<std::string>& loadingPreview);
// Every word's first letter upper case, the rest lower case (ICU word breaks, the user's locale).
std::string capitalised(const std::string& text);

}  // namespace orvak::VoicePickerModel
