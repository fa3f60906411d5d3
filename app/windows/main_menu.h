// The main window's menu bar: File, Edit, View and Help, their items and shortcuts. The windows build it from
// this table; what each action does is theirs.
#pragma once

#include <string>
#include <vector>

namespace orvak::MainMenu {

enum class Action {
  separator,
  about,     // the name and version
  settings,  // the main window on General
  quit,
  undo,
  redo,
  cut,
  copy,
  paste,
  selectAll,  // on the focused widget
  library,    // the main window on the highlights, models reloaded
  close,  // the active window
};

struct Item {
  std::string title;  // empty for a separator
  Action action = Action::separator;
  std::string key;  // a portable key sequence ("Ctrl+Shift+Z"); empty for none
};

struct Menu {
  std::string title;
  std::vector<Item> items;
};

const std::vector<Menu>& menus();

}  // namespace orvak::MainMenu
