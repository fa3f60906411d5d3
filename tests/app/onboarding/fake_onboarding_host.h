// A host for the first-run window that records what it was asked; the grants and the read in
// progress are set by the test.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/onboarding/onboarding_host.h"
#include "core/base/observers.h"
#include "tests/support/temp_home.h"

namespace orvak::test {

class FakeHotkeyTest : public HotkeyTest {
 public:
  const State& state() const override { return state_; }
  void arm() override {
    ++arms;
    show({State::Kind::waiting, {}});
  }
  void disarm() override {
    ++disarms;
    if (armed()) show({State::Kind::idle, {}});
  }
  void show(State s) {
    state_ = std::move(s);
    notifyObservers();
  }
  int arms = 0;
  int disarms = 0;

 private:
  State state_;
};

struct Triggered {
  std::string source;
  ReadOptions opts;
  std::optional<std::string> text;
  std::optional<Vendor> vendor;
  bool operator==(const Triggered&) const = default;
};

class FakeOnboardingHost : public OnboardingHost {
 public:
  Prefs& prefs() override { return prefs_; }
  HotkeyTest& tester() override { return tester_; }
  platform::NotificationCenter& notifications() override { return center_; }
  bool accessibility() const override { return ax_; }
  Mic mic() const override { return mic_; }
  std::uint64_t observePermissions(std::function<void()> observer) override {
    return observers_.add(std::move(observer));
  }
  void unobservePermissions(std::uint64_t token) override { observers_.remove(token); }
  void startPolling() override { calls.push_back("poll"); }
  void requestAccessibility() override { calls.push_back("request ax"); }
  Mic readMic() override { return freshMic.value_or(mic_); }
  void requestMic() override { calls.push_back("request mic"); }
  bool openSettings(SettingsPane pane) override {
    calls.push_back(pane == SettingsPane::accessibility ? "settings accessibility" : "settings sound");
    return true;
  }
  bool canWatchKey() const override { return watchKey; }
  bool hasTray() const override { return tray; }
  void setAllowSelf(bool allow) override { allowSelf = allow; }
  bool canCaptureSelf() const override { return captureSelf; }
  bool hasPlayer() const override { return player; }
  void stopPlayer(const std::string& reason) override {
    stops.push_back(reason);
    player = false;
  }
  void trigger(const std::string& source, ReadOptions opts, std::optional<std::string> text,
               std::optional<Vendor> vendor) override {
    triggers.push_back({source, opts, std::move(text), vendor});
  }
  void finish() override { ++finishes; }

  // Publishes new grants as the permissions' poll would.
  void grant(bool ax, Mic mic) {
    ax_ = ax;
    mic_ = mic;
    observers_.notify();
  }

  FakeHotkeyTest tester_;
  bool allowSelf = false;
  bool player = false;
  bool watchKey = true;
  bool tray = true;
  bool captureSelf = true;
  std::optional<Mic> freshMic;
  std::vector<std::string> calls;
  std::vector<std::string> stops;
  std::vector<Triggered> triggers;
  int finishes = 0;

 private:
  Prefs prefs_{std::make_shared<platform::Defaults>(freshDir("onboarding") / "defaults.json")};
  platform::NotificationCenter center_;
  bool ax_ = false;
  Mic mic_ = Mic::denied;
  Observers<> observers_;
};

}  // namespace orvak::test
