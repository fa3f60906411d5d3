#include "app/prefs.h"

#include <cmath>
#include <limits>
#include <set>

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

std::uint64_t Prefs::addObserver(Observer observer) {
  const std::uint64_t token = nextObserver_++;
  observers_.emplace(token, std::move(observer));
  return token;
}

void Prefs::removeObserver(std::uint64_t token) { observers_.erase(token); }

void Prefs::publish(Setting s) {
  // A copy, so an observer may add or remove observers while being told.
  const auto current = observers_;
  for (const auto& [token, observer] : current) {
    if (observers_.contains(token)) observer(s);
  }
}

void Prefs::changed() {
  if (onChange) onChange();
}

// Publishes the new value, then writes it under the setting's key.
void Prefs::commit(Setting s, platform::DefaultsValue stored) {
  publish(s);
  d->set(k(s), std::move(stored));
}

void Prefs::setHotkeyCode(std::uint16_t v) {
  hotkeyCode_ = v;
  commit(Setting::hotkeyCode, std::int64_t{v});
  changed();
}

void Prefs::setVendor(Vendor v) {
  vendor_ = v;
  commit(Setting::vendor, std::string(rawValue(v)));
  changed();
}

void Prefs::setInworldVoice(std::string v) {
  inworldVoice_ = std::move(v);
  commit(Setting::inworldVoice, inworldVoice_);
  changed();
}

void Prefs::setCartesiaVoice(std::string v) {
  cartesiaVoice_ = std::move(v);
  commit(Setting::cartesiaVoice, cartesiaVoice_);
  changed();
}

void Prefs::setOnDeviceVoice(std::string v) {
  onDeviceVoice_ = std::move(v);
  commit(Setting::onDeviceVoice, onDeviceVoice_);
  changed();
}

void Prefs::setAppearance(std::string v) {
  appearance_ = std::move(v);
  commit(Setting::appearance, appearance_);
  changed();
}

void Prefs::setSpeed(float v) {
  speed_ = v;
  commit(Setting::speed, static_cast<double>(v));
  changed();
}

void Prefs::setAlwaysOnListening(bool v) {
  alwaysOnListening_ = v;
  commit(Setting::alwaysOnListening, v);
  changed();
}

void Prefs::setSound(bool v) {
  sound_ = v;
  commit(Setting::sound, v);
  changed();
}

void Prefs::setSaveCaptures(bool v) {
  saveCaptures_ = v;
  commit(Setting::saveCaptures, v);
  changed();
}

void Prefs::setHighlightAsItReads(bool v) {
  highlightAsItReads_ = v;
  commit(Setting::highlightAsItReads, v);
  changed();
}

void Prefs::setHighlightWords(bool v) {
  highlightWords_ = v;
  commit(Setting::highlightWords, v);
  changed();
}

void Prefs::setFocusMode(bool v) {
  focusMode_ = v;
  commit(Setting::focusMode, v);
  changed();
}

void Prefs::setLaunchAtLogin(bool v) {
  launchAtLogin_ = v;
  commit(Setting::launchAtLogin, v);
  changed();
}

void Prefs::setRememberListening(bool v) {
  rememberListening_ = v;
  commit(Setting::rememberListening, v);
  changed();
}

void Prefs::setStudioVoice(bool v) {
  studioVoice_ = v;
  commit(Setting::studioVoice, v);
  changed();
}

void Prefs::setOnboardingDone(bool v) {
  onboardingDone_ = v;
  commit(Setting::onboardingDone, v);
}

void Prefs::setShowInDock(bool v) {
  showInDock_ = v;
  commit(Setting::showInDock, v);
  platform::activation::setPolicy(v ? platform::activation::Policy::regular
                                    : platform::activation::Policy::accessory);
}

void Prefs::setHistoryKeepDays(std::int64_t v) {
  historyKeepDays_ = v;
  commit(Setting::historyKeepDays, v);
  changed();
}

void Prefs::setNeverReadApps(std::vector<std::string> v) {
  neverReadApps_ = std::move(v);
  commit(Setting::neverReadApps, neverReadApps_);
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
