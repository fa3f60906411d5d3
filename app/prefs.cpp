#include "app/prefs.h"

#include <cmath>
#include <limits>
#include <set>
#include <type_traits>
#include <utility>

#include "core/base/json.h"
#include "core/page/privacy.h"
#include "platform/activation.h"

namespace orvak {

namespace {

// The stored keys, in the order of Prefs::Setting. "appleVoice" is the on-device voice's key as
// existing settings files hold it.
constexpr std::array<std::string_view, 21> kKeys{
    "hotkeyCode",     "vendor",          "inworldVoice",       "cartesiaVoice", "appleVoice",
    "speed",          "alwaysOnListening", "sound",            "onboardingDone", "saveCaptures",
    "highlightAsItReads", "highlightWords", "focusMode",       "showInDock",    "appearance",
    "launchAtLogin",  "rememberListening", "historyKeepDays",  "studioVoice",   "neverReadApps",
    "pronunciations"};

std::string k(Prefs::Setting s) { return std::string(Prefs::key(s)); }

std::vector<Pronunciation> decodePronunciations(const platform::Data& bytes) {
  try {
    const json::Json j =
        json::parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!j.is_array()) return {};
    return j.get<std::vector<Pronunciation>>();
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

std::string_view Prefs::key(Setting s) { return kKeys.at(static_cast<std::size_t>(s)); }

Prefs::Prefs(std::shared_ptr<platform::Defaults> defaults) : d(std::move(defaults)) { load(); }

Prefs& Prefs::shared() {
  static Prefs prefs(platform::Defaults::standard());
  return prefs;
}

void Prefs::load() {
  using S = Setting;
  // The application never stores a code outside 16 bits; should one appear, it names no key,
  // so the default key is the useful answer.
  if (auto code = d->integer(k(S::hotkeyCode));
      code && *code >= 0 && *code <= std::numeric_limits<std::uint16_t>::max()) {
    hotkeyCode_ = static_cast<std::uint16_t>(*code);
  }
  if (auto raw = d->text(k(S::vendor))) vendor_ = vendorFromRaw(*raw).value_or(Vendor::inworld);
  inworldVoice_ = d->text(k(S::inworldVoice)).value_or(EngineConfig{}.inworldVoice);
  cartesiaVoice_ = d->text(k(S::cartesiaVoice)).value_or(EngineConfig{}.cartesiaVoice);
  onDeviceVoice_ = d->text(k(S::onDeviceVoice)).value_or("");
  // A rate the audio path cannot play (not finite, not positive, beyond a float) counts as
  // unreadable, like a value of the wrong kind.
  if (auto rate = d->number(k(S::speed));
      rate && std::isfinite(*rate) && *rate > 0 && *rate <= std::numeric_limits<float>::max()) {
    speed_ = static_cast<float>(*rate);
  }
  alwaysOnListening_ = d->flag(k(S::alwaysOnListening));
  sound_ = d->boolean(k(S::sound)).value_or(true);
  onboardingDone_ = d->flag(k(S::onboardingDone));
  saveCaptures_ = d->flag(k(S::saveCaptures));
  highlightAsItReads_ = d->boolean(k(S::highlightAsItReads)).value_or(true);
  highlightWords_ = d->boolean(k(S::highlightWords)).value_or(true);
  showInDock_ = d->boolean(k(S::showInDock)).value_or(true);
  focusMode_ = d->flag(k(S::focusMode));
  appearance_ = d->text(k(S::appearance)).value_or("light");
  launchAtLogin_ = d->boolean(k(S::launchAtLogin)).value_or(true);
  studioVoice_ = d->boolean(k(S::studioVoice)).value_or(true);
  rememberListening_ = d->boolean(k(S::rememberListening)).value_or(true);
  historyKeepDays_ = d->integer(k(S::historyKeepDays)).value_or(90);
  neverReadApps_ = d->textList(k(S::neverReadApps)).value_or(std::vector<std::string>{});
  // Broken data stays in the store until the next write.
  if (auto bytes = d->data(k(S::pronunciations))) pronunciations_ = decodePronunciations(*bytes);

  Privacy::setUserNeverRead({neverReadApps_.begin(), neverReadApps_.end()});
}

std::uint64_t Prefs::addObserver(Observer observer) { return observers_.add(std::move(observer)); }

void Prefs::removeObserver(std::uint64_t token) { observers_.remove(token); }

void Prefs::publish(Setting s) { observers_.notify(s); }

void Prefs::changed() {
  if (onChange) onChange();
}

// Publishes the new value, then writes it under the setting's key.
void Prefs::commit(Setting s, platform::DefaultsValue stored) {
  publish(s);
  d->set(k(s), std::move(stored));
}

namespace {

// What the defaults keep for a setting's value: the vendor by its stored name, the speed as a
// double and the key code as a whole number; the other kinds as they are.
template <class T>
platform::DefaultsValue toStored(const T& v) {
  if constexpr (std::is_same_v<T, Vendor>) {
    return std::string(rawValue(v));
  } else if constexpr (std::is_same_v<T, float>) {
    return static_cast<double>(v);
  } else if constexpr (std::is_same_v<T, std::uint16_t>) {
    return std::int64_t{v};
  } else {
    return v;
  }
}

}  // namespace

template <class T>
void Prefs::store(T& field, T v, Setting s) {
  field = std::move(v);
  commit(s, toStored(field));
}

template <class T>
void Prefs::set(T& field, T v, Setting s) {
  store(field, std::move(v), s);
  changed();
}

void Prefs::setHotkeyCode(std::uint16_t v) { set(hotkeyCode_, v, Setting::hotkeyCode); }
void Prefs::setVendor(Vendor v) { set(vendor_, v, Setting::vendor); }
void Prefs::setInworldVoice(std::string v) { set(inworldVoice_, std::move(v), Setting::inworldVoice); }
void Prefs::setCartesiaVoice(std::string v) { set(cartesiaVoice_, std::move(v), Setting::cartesiaVoice); }
void Prefs::setOnDeviceVoice(std::string v) { set(onDeviceVoice_, std::move(v), Setting::onDeviceVoice); }
void Prefs::setAppearance(std::string v) { set(appearance_, std::move(v), Setting::appearance); }
void Prefs::setSpeed(float v) { set(speed_, v, Setting::speed); }
void Prefs::setAlwaysOnListening(bool v) { set(alwaysOnListening_, v, Setting::alwaysOnListening); }
void Prefs::setSound(bool v) { set(sound_, v, Setting::sound); }
void Prefs::setSaveCaptures(bool v) { set(saveCaptures_, v, Setting::saveCaptures); }
void Prefs::setHighlightAsItReads(bool v) { set(highlightAsItReads_, v, Setting::highlightAsItReads); }
void Prefs::setHighlightWords(bool v) { set(highlightWords_, v, Setting::highlightWords); }
void Prefs::setFocusMode(bool v) { set(focusMode_, v, Setting::focusMode); }
void Prefs::setLaunchAtLogin(bool v) { set(launchAtLogin_, v, Setting::launchAtLogin); }
void Prefs::setRememberListening(bool v) { set(rememberListening_, v, Setting::rememberListening); }
void Prefs::setStudioVoice(bool v) { set(studioVoice_, v, Setting::studioVoice); }
void Prefs::setHistoryKeepDays(std::int64_t v) { set(historyKeepDays_, v, Setting::historyKeepDays); }

void Prefs::setOnboardingDone(bool v) { store(onboardingDone_, v, Setting::onboardingDone); }

void Prefs::setShowInDock(bool v) {
  store(showInDock_, v, Setting::showInDock);
  platform::activation::setPolicy(v ? platform::activation::Policy::regular
                                    : platform::activation::Policy::accessory);
}

void Prefs::setNeverReadApps(std::vector<std::string> v) {
  store(neverReadApps_, std::move(v), Setting::neverReadApps);
  Privacy::setUserNeverRead({neverReadApps_.begin(), neverReadApps_.end()});
  changed();
}

void Prefs::setPronunciations(std::vector<Pronunciation> v) {
  pronunciations_ = std::move(v);
  platform::DefaultsValue stored;  // absent when the list cannot be encoded
  try {
    const std::string text = json::dump(json::Json(pronunciations_));
    stored = platform::Data(text.begin(), text.end());
  } catch (const std::exception&) {
  }
  commit(Setting::pronunciations, std::move(stored));
  changed();
}

EngineConfig Prefs::engineConfig() const {
  EngineConfig c;  // the defaults supply the vendors' default voices and fixed models
  c.inworldModel = studioVoice_ ? "inworld-tts-2" : "inworld-tts-2-flash";
  if (!inworldVoice_.empty()) c.inworldVoice = inworldVoice_;
  c.cartesiaModel = "sonic-3.6";
  if (!cartesiaVoice_.empty()) c.cartesiaVoice = cartesiaVoice_;
  c.cartesiaVersion = "2026-08-14";
  c.onDeviceVoice = onDeviceVoice_;
  return c;
}

}  // namespace orvak
