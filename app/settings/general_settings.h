// The General and Advanced pages' logic: the texts that follow the settings, the never-read
// list's names and changes, and the frame every settings page is shown in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/main_model.h"
#include "core/speech/read_timing.h"
#include "platform/microphone.h"

namespace orvak {

class Prefs;

namespace GeneralSettings {

// ---- The frame ----

enum class Content { account, general, voice, pronunciation, keys, advanced, help };

struct Frame {
  std::string eyebrow;
  std::string headline;
  std::optional<std::string> glow;
  Content content;
  bool operator==(const Frame&) const = default;
};

// The eyebrow, headline and content of a page; a library page shows the General content under
// "Orvak" and "Library".
Frame frame(MainModel::Page page);

// ---- Captions ----

// "Listen without holding the key": the caption by the switch and the key's name.
std::string listenCaption(bool alwaysOn, std::uint16_t hotkeyCode);
// "Open at login": whether the login item's rule can register this executable.
std::string loginCaption(bool canRegister);
// "Save each capture to the logs folder", naming the captures folder from "~".
std::string capturesCaption(const std::filesystem::path& captures, const std::filesystem::path& home);
// "Last read": "Nothing read yet", or the first sound in whole milliseconds and the engine. A
// first sound that is not a finite, non-negative number of milliseconds counts as none.
std::string lastReadCaption(const std::optional<ReadTiming>& last);
// The microphone row's value.
std::string micText(platform::MicAccess access);
// Whether "Open Setup…" shows under the permissions.
bool showsOpenSetup(bool accessibility, platform::MicAccess mic);

// ---- Appearance ----

struct AppearanceChoice {
  const char* label;
  const char* value;
};
inline constexpr AppearanceChoice kAppearances[] = {{"Light", "light"}, {"Dark", "dark"}, {"Match System", "system"}};

// ---- Apps Orvak never reads ----

// The Name of the application's desktop entry in the XDG applications folders, else the id.
std::string displayName(const std::string& appId);
// The desktop-file id of a chosen file (its name less ".desktop") when it is a desktop entry.
std::optional<std::string> desktopEntryId(const std::filesystem::path& file);
// Drops every entry equal to `appId` and stores the list once.
void removeNeverRead(Prefs& prefs, const std::string& appId);
// Appends each chosen desktop entry's id not yet listed, in order, one store per addition; other
// files are skipped. Returns the ids added.
std::vector<std::string> addNeverRead(Prefs& prefs, const std::vector<std::filesystem::path>& chosen);

}  // namespace GeneralSettings
}  // namespace orvak
