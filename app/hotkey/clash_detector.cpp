#include "app/hotkey/clash_detector.h"

#include <algorithm>

namespace orvak {

const std::set<std::string>& ClashDetector::ignoredOwners() {
  // Names as the workspace reports owners: the desktop entry's name, else the program's class.
  static const std::set<std::string> owners{
      "Xorg", "Xwayland", "X.Org",                                                  // display servers
      "gnome-shell", "GNOME Shell", "mutter", "kwin_x11", "kwin_wayland", "KWin",   // window managers
      "xfwm4", "marco", "metacity", "muffin", "openbox", "i3", "awesome",
      "plasmashell", "Plasma", "xfce4-panel", "xfdesktop", "mate-panel", "lxpanel", // panels, desktops
      "lxqt-panel", "budgie-panel", "cinnamon", "Cinnamon", "tint2", "polybar", "nemo-desktop",
      "plank", "Plank", "cairo-dock", "Cairo-Dock", "latte-dock", "Latte", "docky",  // docks
      "dunst", "notify-osd", "xfce4-notifyd", "mako", "notification-daemon",        // notifications
      "mate-notification-daemon", "lxqt-notificationd",
  };
  return owners;
}

std::shared_ptr<ClashDetector> ClashDetector::make(std::shared_ptr<platform::Workspace> workspace) {
  return std::make_shared<ClashDetector>(Token{}, std::move(workspace));
}

ClashDetector::ClashDetector(Token, std::shared_ptr<platform::Workspace> workspace)
    : workspace_(std::move(workspace)), me_(workspace_->ownPid()) {}

void ClashDetector::arm() {
  disarm();
  ++arms_;
  history_.push_back({dispatch::monotonicSeconds(), snapshot(*workspace_, me_)});
  std::weak_ptr<ClashDetector> weak = weak_from_this();
  timer_ = dispatch::RepeatingTimer(dispatch::main(), kSnapshotInterval, [weak] {
    auto self = weak.lock();
    if (!self) return;
    self->history_.push_back({dispatch::monotonicSeconds(), snapshot(*self->workspace_, self->me_)});
    if (self->history_.size() > kMaxSnapshots) self->history_.erase(self->history_.begin());
  });
  observer_ = workspace_->addActivationObserver([weak](const platform::RunningApplication& app) {
    auto self = weak.lock();
    if (!self || app.pid == self->me_) return;
    self->activations_.push_back({dispatch::monotonicSeconds(), app.name ? *app.name : app.bundleId ? *app.bundleId : "an app"});
  });
}

void ClashDetector::disarm() {
  timer_.cancel();
  if (observer_) workspace_->removeActivationObserver(*observer_);
  observer_.reset();
  history_.clear();
  activations_.clear();
}

void ClashDetector::check(double firstPressAt, std::function<void(Names)> done) {
  const double from = firstPressAt - kBeforePress;
  std::set<Win> baseline;
  if (!history_.empty()) {
    auto it = std::find_if(history_.rbegin(), history_.rend(), [&](const Snapshot& s) { return s.t < from; });
    baseline = it != history_.rend() ? it->wins : history_.front().wins;
  }
  dispatch::main().asyncAfter(kVerdictDelay, [weak = weak_from_this(), baseline = std::move(baseline), from,
                                              arms = arms_, done = std::move(done)] {
    auto self = weak.lock();
    if (!self || self->arms_ != arms) return;
    std::set<std::string> names;
    for (const Win& w : snapshot(*self->workspace_, self->me_)) {
      if (!baseline.contains(w) && !ignoredOwners().contains(w.owner)) names.insert(w.owner);
    }
    for (const Activation& a : self->activations_) {
      if (a.t >= from) names.insert(a.name);
    }
    self->activations_.clear();
    done(Names(names.begin(), names.end()));
  });
}

std::set<ClashDetector::Win> ClashDetector::snapshot(platform::Workspace& workspace, pid_t excluding) {
  std::set<Win> out;
  for (const platform::WindowInfo& w : workspace.onScreenWindows()) {
    if (!w.owner || !w.ownerPid || *w.ownerPid == excluding) continue;
    if (w.bounds && (!(w.bounds->width >= kMinSide) || !(w.bounds->height >= kMinSide))) continue;
    if (w.alpha && *w.alpha < kMinAlpha) continue;
    out.insert({w.number, *w.owner, *w.ownerPid});
  }
  return out;
}

}  // namespace orvak
