#include <algorithm>
#include <cmath>
#include <fstream>
#include <system_error>

#include "app/menu/status_menu.h"
#include "app/prefs.h"
#include "core/base/log.h"
#include "core/base/paths.h"

namespace orvak {

TrayStatusMenu::TrayStatusMenu(std::unique_ptr<MenuHost> host, std::shared_ptr<TrayView> view)
    : host_(std::move(host)), view_(std::move(view)) {
  if (!view_) return;
  available_ = view_->available();
  if (!available_) {
    Log::write(kNoTrayLine);
    lookForTray(kFirstTrayLook);
    return;
  }
  // The image first: a tray shown without one shows a blank.
  refresh();
  view_->show();
}

TrayStatusMenu::~TrayStatusMenu() { trayLook_.cancel(); }

void TrayStatusMenu::lookForTray(double wait) {
  std::weak_ptr<char> alive = alive_;
  trayLook_ = dispatch::main().asyncAfter(wait, [alive, this, wait] {
    if (!alive.lock()) return;
    if (!view_->available()) {
      lookForTray(std::min(wait * 2, kLongestTrayLook));
      return;
    }
    available_ = true;
    Log::write(kTrayAppearedLine);
    refresh();
    view_->show();
  });
}

void TrayStatusMenu::stopPulse() { pulse_.cancel(); }

void TrayStatusMenu::refresh() {
  if (!available_) return;
  const menu::Snapshot s = host_->snapshot();
  const menu::IconLook look = look_ = menu::iconLook(s.accessibility, s.player, s.hotkeyCode);
  if (look.icon != menu::Icon::reading) {
    stopPulse();
    view_->showIcon(look, 0);
  } else if (view_->reducedMotion()) {
    stopPulse();
    view_->showIcon(look, kSteadyPhase);
  } else if (!pulse_.isActive()) {
    phase_ = 0;
    view_->showIcon(look, phase_);
    std::weak_ptr<char> alive = alive_;
    pulse_ = dispatch::RepeatingTimer(dispatch::main(), kPulseInterval, [alive, this] {
      if (alive.lock()) tick();
    });
  }
  view_->menuChanged();
}

void TrayStatusMenu::tick() {
  phase_ = std::fmod(phase_ + kPulseStep, 1.0);
  // A sum that lands on 1 within rounding wraps to 0 too: the phase stays in [0, 1).
  if (phase_ >= 1.0 - 1e-9) phase_ = 0;
  view_->showIcon(look_, phase_);
}

std::vector<menu::Row> TrayStatusMenu::rows() { return menu::build(host_->snapshot()); }

void TrayStatusMenu::perform(menu::Action action, const std::string& value) {
  using A = menu::Action;
  std::weak_ptr<char> alive = alive_;
  switch (action) {
    case A::none:
      return;
    case A::readNow:
      dispatch::main().asyncAfter(kReadDelay, [alive, this] {
        if (alive.lock()) host_->trigger("menu", -1, ReadOptions{});
      });
      return;
    case A::control:
      host_->control(value);
      return;
    case A::pickVendor:
      if (const auto v = vendorFromRaw(value)) host_->prefs().setVendor(*v);
      return;
    case A::pickSpeed: {
      char* end = nullptr;
      const float speed = std::strtof(value.c_str(), &end);
      if (end != value.c_str() && std::isfinite(speed)) host_->prefs().setSpeed(speed);
      return;
    }
    case A::toggleAlwaysOn:
      host_->prefs().setAlwaysOnListening(!host_->prefs().alwaysOnListening());
      return;
    case A::settings:
      host_->windows().showMain(MainModel::Page::general);
      return;
    case A::checkUpdates:
      return;  // no updater: the package manager updates
    case A::onboarding:
      host_->windows().showOnboarding();
      return;
    case A::openNotes:
      host_->windows().showNotes(value.empty() ? std::nullopt : std::optional<std::string>(value));
      return;
    case A::askLibrary:
      host_->windows().reloadModels();
      host_->windows().showMain(MainModel::Page::library);
      dispatch::main().asyncAfter(kFocusAskDelay, [alive, this] {
        if (alive.lock()) host_->post("orvak.focusAsk");
      });
      return;
    case A::openResearch: {
      const auto file = OrvakPaths::research();
      std::error_code ec;
      // Failures here are left to the opening, which shows what is there.
      if (!std::filesystem::exists(file, ec)) {
        std::filesystem::create_directories(file.parent_path(), ec);
        std::ofstream(file, std::ios::app).close();
      }
      host_->open(file);
      return;
    }
    case A::openLogs:
      host_->open(OrvakPaths::logs());
      return;
    case A::feedback:
      host_->feedback();
      return;
    case A::quit:
      host_->quit();
      return;
  }
}

}  // namespace orvak
