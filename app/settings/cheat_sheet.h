// Everything the user can say or do, in groups, as the help page shows it in full and the last
// page of the first-run window in short. The rows describe the commands for people; the voice
// command grammar recognises them on its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvak::CheatSheet {

struct Row {
  std::string phrase;   // what the user says or does
  std::string meaning;  // what happens
  bool operator==(const Row&) const = default;
};

struct Group {
  std::string title;
  std::vector<Row> rows;
  bool operator==(const Group&) const = default;
};

// All groups, in order; `key` (the hotkey's display name) goes into the first two phrases.
std::vector<Group> groups(const std::string& key);

// The groups to show: all of them, or in the compact form each group's first two rows (a group
// of fewer than three rows stays whole).
std::vector<Group> shown(const std::string& key, bool compact);

// The line that ends the compact form.
inline constexpr const char* kCompactClosing = "Everything else is in Help & Shortcuts.";

// The display name of a hotkey code: its choice's name (Right Shift for an unknown code).
std::string keyName(std::uint16_t keyCode);

}  // namespace orvak::CheatSheet
