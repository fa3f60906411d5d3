// The controller as the first-run window sees it. Held by the window, which the controller's
// window manager owns, so the controller outlives it.
#pragma once

#include <functional>

#include "app/controller/app_controller.h"
#include "app/onboarding/onboarding_host.h"

namespace orvak {

class ControllerOnboardingHost final : public OnboardingHost {
 public:
  // `hasTray` asks the desktop whether it has a system tray now.
  ControllerOnboardingHost(AppController& app, std::function<void()> finish, std::function<bool()> hasTray)
      : app_(app), finish_(std::move(finish)), hasTray_(std::move(hasTray)) {}

  Prefs& prefs() override { return app_.prefs(); }
  HotkeyTest& tester() override { return app_.tester(); }
  platform::NotificationCenter& notifications() override { return *app_.notifications(); }
  bool accessibility() const override { return app_.perms().accessibility(); }
  Mic mic() const override { return app_.perms().mic(); }
  std::uint64_t observePermissions(std::function<void()> observer) override {
    return app_.perms().addObserver(std::move(observer));
  }
  void unobservePermissions(std::uint64_t token) override { app_.perms().removeObserver(token); }
  void startPolling() override { app_.perms().startPolling(); }
  void requestAccessibility() override { app_.perms().requestAccessibility(); }
  Mic readMic() override { return app_.perms().readMic(); }
  void requestMic() override { app_.perms().requestMic(); }
  bool openSettings(SettingsPane pane) override { return platform::openDesktopSettings(pane); }
  bool canWatchKey() const override { return platform::keysWatchable(); }
  bool hasTray() const override { return hasTray_ && hasTray_(); }
  void setAllowSelf(bool allow) override { app_.capturer().allowSelf = allow; }
  bool canCaptureSelf() const override {
    const auto& ax = app_.ax();
    return app_.perms().accessibility() && (!ax || ax->holdsOwnWindows());
  }
  bool hasPlayer() const override { return app_.read().player() != nullptr; }
  void stopPlayer(const std::string& reason) override {
    // The controller lets go of the player when it reports its end.
    if (auto player = app_.read().player()) player->stop(reason);
  }
  void trigger(const std::string& source, ReadOptions opts, std::optional<std::string> text,
               std::optional<Vendor> vendor) override {
    app_.trigger(source, -1, opts, std::move(text), vendor);
  }
  void finish() override {
    if (finish_) finish_();
  }

 private:
  AppController& app_;
  std::function<void()> finish_;
  std::function<bool()> hasTray_;
};

}  // namespace orvak
