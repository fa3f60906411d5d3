// The status menu on the desktop: Qt's tray icon (a StatusNotifierItem on most Linux desktops, an
// XEmbed icon on older ones) with a menu rebuilt from the status menu's rows every time it is
// about to show and whenever the state changes (trays that draw menus themselves fetch them
// ahead of opening). A primary click opens the menu as the secondary one does: Qt reports it as an
// activation and shows nothing by itself. Main thread only.
#pragma once

#include <QObject>
#include <QPalette>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "app/menu/status_menu.h"
#include "app/views/menu/menu_icon.h"
#include "app/views/windows/desktop_look.h"

class QMenu;
class QSystemTrayIcon;

namespace orvak::views::menu {

class QtTray final : public QObject, public TrayView {
 public:
  using Perform = std::function<void(orvak::menu::Action, const std::string&)>;

  QtTray();
  ~QtTray() override;

  // Where the rows come from and the actions go; the status menu that drives this tray.
  void attach(std::function<std::vector<orvak::menu::Row>()> rows, Perform perform);

  bool available() const override;
  void show() override;
  bool reducedMotion() const override;
  void showIcon(const orvak::menu::IconLook& look, double phase) override;
  void menuChanged() override;

  QSystemTrayIcon* trayIcon() const { return tray_.get(); }
  QMenu* menu() const { return menu_.get(); }

  // Fills `menu` with `rows`. With `widgetHeader` the header is drawn as a widget; without (a
  // desktop that shows the menu itself cannot host widgets) two disabled rows carry its lines.
  static void fill(QMenu& menu, const std::vector<orvak::menu::Row>& rows, bool widgetHeader, const Perform& perform);
  // The application's palette for the look in force, with disabled rows greyed rather than etched.
  static QPalette menuPalette();
  // Whether the desktop draws tray menus itself (a StatusNotifierWatcher is on the session bus).
  static bool desktopDrawsMenus();
  // The panel this desktop shows the icon on, light or dark, from its name and colour scheme.
  static MenuIcon::Panel desktopPanel();
  MenuIcon::Panel panel() const { return panel_; }
  // Draws the icon for the panel again whenever `look` says the desktop's scheme changed (a KDE
  // panel turns dark with it); the tray keeps the listener.
  void followDesktopLook(std::unique_ptr<windows::DesktopLook> look);

 private:
  void rebuild();
  void activated(int reason);
  void usePanel(MenuIcon::Panel panel);

  std::unique_ptr<QMenu> menu_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  std::function<std::vector<orvak::menu::Row>()> rows_;
  Perform perform_;
  bool desktopMenus_ = false;
  MenuIcon::Panel panel_ = MenuIcon::Panel::dark;
  // The look the icon was last drawn for, to draw it again for a panel found to differ.
  std::optional<std::pair<orvak::menu::IconLook, double>> shown_;
  std::unique_ptr<windows::DesktopLook> desktopLook_;
};

}  // namespace orvak::views::menu
