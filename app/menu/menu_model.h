// The status menu as data: what it reads at the moment it opens (a snapshot), and the rows built
// from it, in order, with every condition. Also the icon's state with its tool tip, the read in
// progress as the header shows it, and the hotkey's name and glyph. Pure functions, Qt-free.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/player/player.h"
#include "platform/microphone.h"
#include "speech/vendor.h"

namespace orvak::menu {

// The read in progress as the menu header shows it.
struct ReadingNow {
  std::string title;
  std::string source;  // the application and the voice, already joined
  int sentence = 0;
  int total = 0;
  bool paused = false;
  bool operator==(const ReadingNow&) const = default;
};

// `appName` is the application of the player's source, `state` the last one it published.
ReadingNow readingNow(const std::string& title, const std::string& appName, const PlayerState& state);

// The menu's header: the read in progress, or the mark with the hotkey's hint.
struct Header {
  std::optional<ReadingNow> reading;
  std::string keyName;
  std::string keyGlyph;
  bool needsAccess = false;
  bool operator==(const Header&) const = default;

  // "source · sentence 3 of 12", or "source · paused"; empty parts left out.
  std::string detail() const;
  // The share of the bar filled, 0 to 1; 0 when the total is below 1.
  double progress() const;
  // The idle line under the mark.
  std::string hint() const;
};

// One of the saved items the Recent submenu lists.
struct RecentItem {
  bool isNote = false;
  std::string quote;
  std::optional<std::string> note;
  std::string docKey;
  std::string toolTip;  // the page's cleaned title
};

// Everything the menu reads, taken when it opens.
struct Snapshot {
  bool accessibility = false;
  platform::MicAccess mic = platform::MicAccess::notAsked;
  bool player = false;                // a read is in progress
  std::optional<PlayerState> state;   // its last published state
  std::optional<ReadingNow> reading;  // with a player and a published state
  std::uint16_t hotkeyCode = 60;
  Vendor vendor = Vendor::inworld;
  float speed = 1.0f;
  bool alwaysOnListening = false;
  bool developer = false;
  bool inworldKey = false;
  bool cartesiaKey = false;
  bool notesOpen = false;
  std::vector<RecentItem> recent;  // the five most recent, newest first
  std::optional<std::string> lastError;
  std::string voiceStatus = "off";
  bool updater = false;  // never on Linux: the package manager updates
};

enum class Action {
  none,
  readNow,
  control,
  pickVendor,
  pickSpeed,
  toggleAlwaysOn,
  settings,
  checkUpdates,
  onboarding,
  openNotes,
  askLibrary,
  openResearch,
  openLogs,
  feedback,
  quit,
};

struct Row {
  enum class Kind { header, separator, item, submenu };
  Kind kind = Kind::item;
  std::string title;
  std::string key;     // a key with the shortcut modifier ("l", ","); empty for none
  std::string symbol;  // a name of our symbol set; empty for none
  Action action = Action::none;
  std::string value;  // what the action is given: "toggle", a vendor's raw name, a speed, a page key
  bool checked = false;
  bool enabled = true;
  std::string toolTip;
  std::vector<Row> children;  // a submenu's items
  std::optional<Header> header;
  bool operator==(const Row&) const = default;
};

// The hotkey's display name and glyph, both from the choice the key code resolves to (an unknown
// code falls back to the default key, and so do its name and glyph).
std::string keyName(std::uint16_t code);
std::string keyGlyph(std::uint16_t code);

Header header(const Snapshot& s);
std::vector<Row> build(const Snapshot& s);

// The rows as indented text, one line each: "---" for a separator, "✓ " before a checked item,
// " [Ctrl+L]" for a key, " {symbol}", " (disabled)", a submenu's items indented under it, and the
// header as "[header] " with its lines joined by " | ".
std::string describe(const std::vector<Row>& rows);

enum class Icon { reading, idle, needsSetup };
struct IconLook {
  Icon icon = Icon::idle;
  std::string toolTip;
  std::string description;  // for accessibility
  bool operator==(const IconLook&) const = default;
};
IconLook iconLook(bool accessibility, bool player, std::uint16_t hotkeyCode);

}  // namespace orvak::menu
