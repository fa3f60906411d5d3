#include "app/windows/main_menu.h"

namespace orvak::MainMenu {

const std::vector<Menu>& menus() {
  using A = Action;
  const Item sep{};
  static const std::vector<Menu> table{
      {"Orvak",
       {{"About Orvak", A::about, ""},
        sep,
        {"Settings…", A::settings, "Ctrl+,"},
        sep,
        {"Hide Orvak", A::hide, "Ctrl+H"},
        sep,
        {"Quit Orvak", A::quit, "Ctrl+Q"}}},
      {"Edit",
       {{"Undo", A::undo, "Ctrl+Z"},
        {"Redo", A::redo, "Ctrl+Shift+Z"},
        sep,
        {"Cut", A::cut, "Ctrl+X"},
        {"Copy", A::copy, "Ctrl+C"},
        {"Paste", A::paste, "Ctrl+V"},
        {"Select All", A::selectAll, "Ctrl+A"}}},
      {"Window",
       {{"Library", A::library, "Ctrl+L"}, sep, {"Minimize", A::minimize, "Ctrl+M"}, {"Close", A::close, "Ctrl+W"}}},
  };
  return table;
}

}  // namespace orvak::MainMenu
