// The user's settings: one object, read and written everywhere on the main thread, backed by the
// user defaults (each setting under the key spelled like its property).
//
// Loading takes each stored value only when it has the setting's kind; anything absent, of
// another kind or out of range gives the setting's default, and nothing is written at load.
// A setter, in this order: stores the new value in the object and publishes it to the observers,
// writes it to the defaults, then runs the setting's extra effect, which for most settings is a
// call of `onChange`.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/observers.h"
#include "core/speech/pronunciation.h"
#include "platform/defaults.h"
#include "speech/vendor.h"

namespace orvak {

class Prefs {
 public:
  // One value per setting, in the order of the properties; `key` gives its defaults key.
  enum class Setting {
    hotkeyCode, vendor, inworldVoice, cartesiaVoice, onDeviceVoice, speed, alwaysOnListening, sound,
    onboardingDone, saveCaptures, highlightAsItReads, highlightWords, focusMode, showInDock,
    appearance, launchAtLogin, rememberListening, historyKeepDays, studioVoice, neverReadApps,
    pronunciations,
  };
  static std::string_view key(Setting s);

  // The reading speeds every speed control offers or steps through, slowest first.
  static constexpr std::array<float, 6> speeds{0.8f, 1.0f, 1.25f, 1.5f, 1.75f, 2.0f};

  // Developer flags kept in the same store without a property; read them through `d->flag`.
  static constexpr const char* kDeveloperFlag = "developer";
  static constexpr const char* kDebugControlFlag = "debugControl";

  // Loads every setting from `defaults`, and hands the never-read list to Privacy.
  explicit Prefs(std::shared_ptr<platform::Defaults> defaults);
  Prefs(const Prefs&) = delete;
  Prefs& operator=(const Prefs&) = delete;

  // The application's settings over the standard defaults store, made on first use.
  static Prefs& shared();

  // The store behind the settings.
  const std::shared_ptr<platform::Defaults> d;

  std::uint16_t hotkeyCode() const { return hotkeyCode_; }
  Vendor vendor() const { return vendor_; }
  const std::string& inworldVoice() const { return inworldVoice_; }
  const std::string& cartesiaVoice() const { return cartesiaVoice_; }
  const std::string& onDeviceVoice() const { return onDeviceVoice_; }  // empty: the system's choice
  float speed() const { return speed_; }
  bool alwaysOnListening() const { return alwaysOnListening_; }
  bool sound() const { return sound_; }
  bool onboardingDone() const { return onboardingDone_; }
  bool saveCaptures() const { return saveCaptures_; }
  bool highlightAsItReads() const { return highlightAsItReads_; }
  bool highlightWords() const { return highlightWords_; }
  bool focusMode() const { return focusMode_; }
  bool showInDock() const { return showInDock_; }
  const std::string& appearance() const { return appearance_; }  // "light", "dark" or "system"
  bool launchAtLogin() const { return launchAtLogin_; }
  bool rememberListening() const { return rememberListening_; }
  std::int64_t historyKeepDays() const { return historyKeepDays_; }  // 0 keeps page texts for ever
  bool studioVoice() const { return studioVoice_; }
  const std::vector<std::string>& neverReadApps() const { return neverReadApps_; }
  const std::vector<Pronunciation>& pronunciations() const { return pronunciations_; }

  void setHotkeyCode(std::uint16_t v);
  void setVendor(Vendor v);
  void setInworldVoice(std::string v);
  void setCartesiaVoice(std::string v);
  void setOnDeviceVoice(std::string v);
  void setSpeed(float v);
  void setAlwaysOnListening(bool v);
  void setSound(bool v);
  void setOnboardingDone(bool v);  // stored only: no onChange
  void setSaveCaptures(bool v);
  void setHighlightAsItReads(bool v);
  void setHighlightWords(bool v);
  void setFocusMode(bool v);
  void setShowInDock(bool v);  // applies the activation policy instead of calling onChange
  void setAppearance(std::string v);
  void setLaunchAtLogin(bool v);
  void setRememberListening(bool v);
  void setHistoryKeepDays(std::int64_t v);
  void setStudioVoice(bool v);
  void setNeverReadApps(std::vector<std::string> v);  // also replaces Privacy's user list
  void setPronunciations(std::vector<Pronunciation> v);

  // The engines' models and voices, composed from the voice settings on every call.
  EngineConfig engineConfig() const;

  // Called at the end of every setter except onboardingDone and showInDock; set by the
  // application controller.
  std::function<void()> onChange;

  // Observers hear of every set (the property already holds the new value; the store does not
  // yet). `addObserver` returns a token for `removeObserver`; an observer may remove itself.
  using Observer = std::function<void(Setting)>;
  std::uint64_t addObserver(Observer observer);
  void removeObserver(std::uint64_t token);

 private:
  void load();
  void publish(Setting s);
  void commit(Setting s, platform::DefaultsValue stored);
  void changed();
  // A setter's common body: `store` keeps the value in `field`, publishes it and writes it under
  // `s`; `set` does that and then calls onChange.
  template <class T>
  void store(T& field, T v, Setting s);
  template <class T>
  void set(T& field, T v, Setting s);

  std::uint16_t hotkeyCode_ = 60;  // Right Shift
  Vendor vendor_ = Vendor::inworld;
  std::string inworldVoice_;
  std::string cartesiaVoice_;
  std::string onDeviceVoice_;
  float speed_ = 1.0f;
  bool alwaysOnListening_ = false;
  bool sound_ = true;
  bool onboardingDone_ = false;
  bool saveCaptures_ = false;
  bool highlightAsItReads_ = true;
  bool highlightWords_ = true;
  bool focusMode_ = false;
  bool showInDock_ = true;
  std::string appearance_ = "light";
  bool launchAtLogin_ = true;
  bool rememberListening_ = true;
  std::int64_t historyKeepDays_ = 90;
  bool studioVoice_ = true;
  std::vector<std::string> neverReadApps_;
  std::vector<Pronunciation> pronunciations_;

  Observers<Setting> observers_;
};

}  // namespace orvak
