// How the accessibility roles of Linux programs read as the roles our walker and cleaner know.
//
// A role number of the desktop's accessibility interface, with the element's object attributes
// ("tag", "xml-roles") and a few states, becomes one "AX..." role and perhaps a subrole.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace orvak::atspi {

// Role numbers the mapping singles out (the interface's own numbering).
enum class Role : std::uint32_t {
  invalid = 0, alert = 2, canvas = 6, checkBox = 7, checkMenuItem = 8, colorChooser = 9, comboBox = 11,
  dateEditor = 12, dialog = 16, fileChooser = 19, filler = 20, icon = 26, image = 27, internalFrame = 28,
  label = 29, list = 31, listItem = 32, menu = 33, menuBar = 34, menuItem = 35, pageTab = 37,
  pageTabList = 38, panel = 39, passwordText = 40, popupMenu = 41, progressBar = 42, pushButton = 43,
  radioButton = 44, radioMenuItem = 45, scrollBar = 48, scrollPane = 49, separator = 50, slider = 51,
  spinButton = 52, splitPane = 53, table = 55, tableCell = 56, columnHeader = 57, rowHeader = 58,
  tearoffMenuItem = 59, terminal = 60, text = 61, toggleButton = 62, toolBar = 63, tree = 65,
  treeTable = 66, viewport = 68, window = 69, paragraph = 73, application = 75, editbar = 77, entry = 79,
  caption = 81, documentFrame = 82, heading = 83, link = 88, tableRow = 90, treeItem = 91,
  documentText = 94, documentWeb = 95, documentEmail = 96, listBox = 98, imageMap = 100, levelBar = 103,
  section = 85, article = 109, landmark = 110, staticText = 116, descriptionList = 121, pushButtonMenu = 129,
  frame = 23,
};

// State numbers the mapping and the backend read.
enum class State : std::uint32_t {
  active = 1, busy = 3, defunct = 6, editable = 7, focused = 12, multiLine = 17, showing = 25, visible = 30,
};

// A set of states as the interface sends it: two 32-bit words.
struct States {
  std::uint64_t bits = 0;
  bool has(State s) const { return (bits >> static_cast<std::uint32_t>(s)) & 1U; }
};

struct MappedRole {
  std::string role;
  std::optional<std::string> subrole;
  bool operator==(const MappedRole&) const = default;
};

// The "AX..." role and subrole of an element with role number `role`, object attributes
// `attributes` and states `states`. Unknown numbers read as "AXGroup".
MappedRole mapRole(std::uint32_t role, const std::map<std::string, std::string>& attributes, States states);

}  // namespace orvak::atspi
