#include "app/settings/general_settings.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "app/hotkey/modifier_tap.h"
#include "app/prefs.h"
#include "platform/desktop_entries.h"

namespace orvak::GeneralSettings {

namespace fs = std::filesystem;
using P = MainModel::Page;

Frame frame(MainModel::Page page) {
  const auto& h = MainModel::info(page).headline;
  auto from = [&](const char* eyebrow, Content content) {
    return Frame{eyebrow, std::string(h.text),
                 h.emphasis ? std::optional<std::string>(std::string(*h.emphasis)) : std::nullopt, content};
  };
  switch (page) {
    case P::account:
      return from("Account", Content::account);
    case P::general:
      return from("Settings", Content::general);
    case P::voice:
      return from("Settings", Content::voice);
    case P::pronunciation:
      return from("Settings", Content::pronunciation);
    case P::keys:
      return from("Settings", Content::keys);
    case P::advanced:
      return from("Settings", Content::advanced);
    case P::help:
      return from("Help", Content::help);
    case P::library:
    case P::pages:
    case P::listened:
    case P::documents:
      break;
  }
  return Frame{"Orvak", "Library", std::nullopt, Content::general};
}

std::string listenCaption(bool alwaysOn, std::uint16_t hotkeyCode) {
  if (alwaysOn) return "Best in a quiet room. Speech nearby (TV, people, a call) pauses reading.";
  return "Off. Hold " + ModifierTap::Choice::with(hotkeyCode).name + " and speak.";
}

std::string loginCaption(bool canRegister) {
  return canRegister ? "So the key always works." : "Takes effect once Orvak is installed.";
}

std::string capturesCaption(const fs::path& captures, const fs::path& home) {
  std::string where = captures.string();
  const std::string h = home.string();
  if (!h.empty() && h != "/" && (where == h || where.starts_with(h + "/"))) where = "~" + where.substr(h.size());
  return "Includes the screen text. For improving the reading rules. Stays in " + where + " on this computer.";
}

std::string lastReadCaption(const std::optional<ReadTiming>& last) {
  if (!last || !last->firstAudioSampleMs) return "Nothing read yet";
  const double ms = *last->firstAudioSampleMs;
  // A whole-millisecond count of anything else would be undefined.
  if (!std::isfinite(ms) || ms < 0 || ms >= 1e15) return "Nothing read yet";
  return "First sound after " + std::to_string(static_cast<long long>(ms)) + " ms · " + last->engine;
}

std::string micText(platform::MicAccess access) {
  switch (access) {
    case platform::MicAccess::granted:
      return "On";
    case platform::MicAccess::denied:
      return "Off";
    case platform::MicAccess::notAsked:
      break;
  }
  return "Not asked";
}

bool showsOpenSetup(bool accessibility, platform::MicAccess mic) {
  return !accessibility || mic != platform::MicAccess::granted;
}

std::string displayName(const std::string& appId) {
  if (const auto entry = platform::findDesktopEntry(appId, "", "")) return entry->name;
  return appId;
}

std::optional<std::string> desktopEntryId(const fs::path& file) {
  if (file.extension() != ".desktop" || file.stem().empty()) return std::nullopt;
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return std::nullopt;
  std::ifstream in(file);
  // The group header comes first, after comments and blank lines; a few lines are enough.
  std::string line;
  for (int n = 0; n < 64 && std::getline(in, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.starts_with("#")) continue;
    if (line == "[Desktop Entry]") return file.stem().string();
    return std::nullopt;
  }
  return std::nullopt;
}

void removeNeverRead(Prefs& prefs, const std::string& appId) {
  auto list = prefs.neverReadApps();
  list.erase(std::remove(list.begin(), list.end(), appId), list.end());
  prefs.setNeverReadApps(std::move(list));
}

std::vector<std::string> addNeverRead(Prefs& prefs, const std::vector<fs::path>& chosen) {
  std::vector<std::string> added;
  for (const auto& file : chosen) {
    const auto id = desktopEntryId(file);
    if (!id) continue;
    const auto& list = prefs.neverReadApps();
    if (std::find(list.begin(), list.end(), *id) != list.end()) continue;
    auto next = list;
    next.push_back(*id);
    prefs.setNeverReadApps(std::move(next));
    added.push_back(*id);
  }
  return added;
}

}  // namespace orvak::GeneralSettings
