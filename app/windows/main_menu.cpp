#include "app/windows/main_menu.h"

namespace orvak::MainMenu {

const std::vector<Menu>& menus() {
  using A = Action;
  const Item sep{};
  static const std::vector<Menu> table{
      // The menus of a Linux desktop application: no hiding the application (window managers
      // minimise windows from their own frame), the window's own commands under File.
      {"File", {{"Settings…", A::settings, "Ctrl+,"}, sep, {"Close Window", A::close, "Ctrl+W"}, {"Quit", A::quit, "Ctrl+Q"}}},
      {"Edit",
       {{"Undo", A::undo, "Ctrl+Z"},
        {"Redo", A::redo, "Ctrl+Shift+Z"},
        sep,
        {"Cut", A::cut, "Ctrl+X"},
        {"Copy", A::copy, "Ctrl+C"},
        {"Paste", A::paste, "Ctrl+V"},
        {"Select All", A::selectAll, "Ctrl+A"}}},
      {"View", {{"Library", A::library, "Ctrl+L"}}},
      {"Help", {{"About Orvak", A::about, ""}}},
  };
  return table;
}

}  // namespace orvak::MainMenu
