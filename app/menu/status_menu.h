// The status menu: the tray icon with its state, tool tip and pulse, and the menu rebuilt from
// the application's state each time it opens, every entry one action. Qt-free: the tray itself
// is a `TrayView` (app/views/menu/ draws it), the application a `MenuHost`. Main queue only.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/menu/menu_model.h"
#include "app/player/player.h"
#include "app/windows/windows.h"
#include "core/base/dispatch.h"

namespace orvak {

class Prefs;

// What the controller asks of the status menu.
class StatusMenu {
 public:
  virtual ~StatusMenu() = default;
  // Brings the status menu up to date with the controller's state.
  virtual void refresh() = 0;

  // The speed label, shared with the pill's speed button and the voice settings: "1×" for a whole
  // number, else two significant digits: 1.25 gives "1.2×", 1.75 "1.8×".
  static std::string speed(float value);
};

// What the status menu reads and calls of the application.
class MenuHost {
 public:
  virtual ~MenuHost() = default;
  // The state the menu shows, read now.
  virtual menu::Snapshot snapshot() = 0;
  virtual Prefs& prefs() = 0;
  // The window manager (made before the status menu).
  virtual Windows& windows() = 0;
  virtual void trigger(const std::string& source, double eventLagMs, const ReadOptions& opts) = 0;
  // "toggle", "skip", "back", anything else stops; nothing when no read is in progress.
  virtual void control(const std::string& what) = 0;
  // Posts a local notification ("orvak.focusAsk").
  virtual void post(const std::string& name) = 0;
  // Opens a file or folder with the desktop's default application.
  virtual void open(const std::filesystem::path& path) = 0;
  virtual void feedback() = 0;
  virtual void quit() = 0;
};

// The tray icon and its menu, as the status menu drives them.
class TrayView {
 public:
  virtual ~TrayView() = default;
  // Whether the desktop has a tray to show the icon in (asked again while there is none).
  virtual bool available() const = 0;
  // Puts the icon in the tray; called once a tray is there.
  virtual void show() = 0;
  // The desktop asks for less motion: a read shows a steady icon.
  virtual bool reducedMotion() const = 0;
  virtual void showIcon(const menu::IconLook& look, double phase) = 0;
  // The state changed: trays that take the menu ahead of opening it are given it again.
  virtual void menuChanged() = 0;
};

class TrayStatusMenu final : public StatusMenu {
 public:
  static constexpr double kPulseInterval = 1.0 / 15;
  static constexpr double kPulseStep = 1.0 / 36;
  static constexpr double kSteadyPhase = 0.5;
  static constexpr double kReadDelay = 0.15;
  static constexpr double kFocusAskDelay = 0.25;
  static constexpr const char* kNoTrayLine =
      "status menu: no system tray yet; watching for one, the pill and the main window stay available";
  static constexpr const char* kTrayAppearedLine = "status menu: a system tray appeared; the icon is shown";
  // The tray is looked for again after these many seconds, doubling up to the longest: a panel
  // started after us at login is found within a second or two, a later one within a minute.
  static constexpr double kFirstTrayLook = 0.5;
  static constexpr double kLongestTrayLook = 60;

  // Shows the icon at once, or logs that there is no tray and shows it when one appears.
  TrayStatusMenu(std::unique_ptr<MenuHost> host, std::shared_ptr<TrayView> view);
  ~TrayStatusMenu() override;

  // The icon and tool tip for the state now; starts or stops the pulse.
  void refresh() override;
  // The menu's rows, built from the state now (called as the menu opens).
  std::vector<menu::Row> rows();
  // Runs a row's action with its value.
  void perform(menu::Action action, const std::string& value);

  bool available() const { return available_; }
  bool pulsing() const { return pulse_.isActive(); }
  double phase() const { return phase_; }

 private:
  void stopPulse();
  void tick();
  void lookForTray(double wait);

  std::unique_ptr<MenuHost> host_;
  std::shared_ptr<TrayView> view_;
  bool available_ = false;
  double phase_ = 0;
  menu::IconLook look_;
  dispatch::RepeatingTimer pulse_;
  dispatch::WorkItem trayLook_;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace orvak
