#include "app/onboarding/onboarding_flow.h"

#include <algorithm>

#include "app/hotkey/modifier_tap.h"
#include "app/library/notifications.h"
#include "core/base/log.h"
#include "speech/keys.h"

namespace orvak {

std::shared_ptr<OnboardingFlow> OnboardingFlow::make(OnboardingHost& host) {
  auto flow = std::make_shared<OnboardingFlow>(Token{}, host);
  std::weak_ptr<OnboardingFlow> weak = flow;
  flow->notesObservation_ =
      host.notifications().observe(std::string(notifications::orvakNotesChanged), [weak](const auto&) {
        auto self = weak.lock();
        if (!self || self->step_ != kTryIt) return;
        self->saved_ = true;
        self->changed();
      });
  flow->stepObservation_ = host.notifications().observe(std::string(notifications::orvakDebugOnboardingStep),
                                                        [weak](const platform::Notification& n) {
                                                          auto self = weak.lock();
                                                          if (!self || !n.object) return;
                                                          if (*n.object < 0 || *n.object >= std::int64_t(kSteps.size()))
                                                            return;
                                                          self->setStep(int(*n.object));
                                                        });
  flow->permissionsObserver_ = host.observePermissions([weak] {
    auto self = weak.lock();
    if (!self) return;
    const bool ax = self->host_.accessibility();
    const auto mic = self->host_.mic();
    const bool axTurnedOn = ax && !self->lastAccessibility_;
    const bool micTurnedOn = mic == OnboardingHost::Mic::granted && self->lastMic_ != mic;
    self->lastAccessibility_ = ax;
    self->lastMic_ = mic;
    if (axTurnedOn && self->step_ == kAccessibility) self->advance(kAdvanceDelay);
    if (micTurnedOn && self->step_ == kMicrophone) self->advance(kAdvanceDelay);
    self->changed();
  });
  flow->prefsObserver_ = host.prefs().addObserver([weak](Prefs::Setting s) {
    auto self = weak.lock();
    if (self &&
        (s == Prefs::Setting::hotkeyCode || s == Prefs::Setting::vendor || s == Prefs::Setting::launchAtLogin)) {
      self->changed();
    }
  });
  return flow;
}

OnboardingFlow::OnboardingFlow(Token, OnboardingHost& host)
    : host_(host), lastAccessibility_(host.accessibility()), lastMic_(host.mic()) {}

OnboardingFlow::~OnboardingFlow() {
  for (const auto& work : advances_) work.cancel();
  host_.unobservePermissions(permissionsObserver_);
  host_.prefs().removeObserver(prefsObserver_);
}

void OnboardingFlow::changed() {
  if (onChange) onChange();
}

// ---- The window ----

void OnboardingFlow::appeared() {
  // Closing undid the step's effects; showing the window again at the same step brings them back.
  // Only those two steps have any: on the others a test the settings window runs is left alone.
  if (step_ == kHotkey || step_ == kTryIt) enterEffects(step_);
  host_.startPolling();
  sampler_.emplace(dispatch::main(), kSampleInterval, [weak = weak_from_this()] {
    if (auto self = weak.lock()) self->sample();
  });
  changed();
}

void OnboardingFlow::disappeared() {
  sampler_.reset();
  host_.setAllowSelf(false);
  host_.tester().disarm();
  // The sample read belongs to the window; it does not outlive it.
  if (step_ == kTryIt && host_.hasPlayer()) host_.stopPlayer("user");
}

void OnboardingFlow::sample() {
  if (step_ != kTryIt) return;
  const bool reading = host_.hasPlayer();
  const bool started = started_ || reading;
  if (reading == reading_ && started == started_) return;
  reading_ = reading;
  started_ = started;
  changed();
}

// ---- Steps ----

void OnboardingFlow::setStep(int step) {
  // Asked for the step on show (the developer channel), nothing changes: a test's verdict or the
  // try-it step's read stays.
  if (step == step_) return;
  const int old = step_;
  step_ = step;
  enter(old, step);
  changed();
}

void OnboardingFlow::enter(int oldStep, int newStep) {
  enterEffects(newStep);
  if (oldStep == kTryIt && newStep != kTryIt && host_.hasPlayer()) host_.stopPlayer("user");
}

void OnboardingFlow::enterEffects(int newStep) {
  if (newStep == kHotkey) {
    // Where the key cannot be watched the test would wait for a tap that never comes.
    if (host_.canWatchKey()) {
      host_.tester().arm();
    } else {
      host_.tester().disarm();
    }
    host_.setAllowSelf(false);
    return;
  }
  host_.tester().disarm();
  host_.setAllowSelf(newStep == kTryIt);
  if (newStep == kTryIt) {
    started_ = false;
    saved_ = false;
    reading_ = false;
    if (host_.hasPlayer()) host_.stopPlayer("user");
  }
}

void OnboardingFlow::advance(double after) {
  const int from = step_;
  std::erase_if(advances_, [](const dispatch::WorkItem& w) { return w.isDone(); });
  advances_.push_back(dispatch::main().asyncAfter(after, [weak = weak_from_this(), from] {
    auto self = weak.lock();
    if (self && self->step_ == from) self->setStep(from + 1);
  }));
}

// ---- Footer ----

std::vector<OnboardingFlow::Button> OnboardingFlow::footer() const {
  std::vector<Button> buttons;
  if (step_ >= 1) buttons.push_back({"Back", false, false, true, Action::back});
  switch (step_) {
    case 0:
      buttons.push_back({"Get Started", true, true, true, Action::forward});
      break;
    case kAccessibility:
      buttons.push_back({"Continue", true, true, host_.accessibility(), Action::forward});
      break;
    case kMicrophone:
      if (host_.mic() == OnboardingHost::Mic::granted) {
        buttons.push_back({"Continue", true, true, true, Action::forward});
      } else {
        buttons.push_back({"Skip for Now", false, false, true, Action::forward});
      }
      break;
    case kVoice:
    case kHotkey:
      buttons.push_back({"Continue", true, true, true, Action::forward});
      break;
    case kTryIt:
      if (saved_) {
        buttons.push_back({"Continue", true, true, true, Action::forward});
      } else {
        buttons.push_back({"Skip", false, false, true, Action::forward});
      }
      break;
    default:
      buttons.push_back({"Start Using Orvak", true, true, true, Action::finish});
      break;
  }
  return buttons;
}

void OnboardingFlow::press(const Button& button) {
  if (!button.enabled) return;
  switch (button.action) {
    case Action::back:
      setStep(step_ - 1);
      break;
    case Action::forward:
      setStep(step_ + 1);
      break;
    case Action::finish:
      host_.finish();
      break;
  }
}

void OnboardingFlow::pressReturn() {
  for (const auto& b : footer()) {
    if (b.returnKey && b.enabled) {
      press(b);
      return;
    }
  }
}

// ---- Page kit ----

std::string OnboardingFlow::eyebrow() const {
  return "Step " + std::to_string(step_ + 1) + " of " + std::to_string(kSteps.size());
}

std::optional<std::string> OnboardingFlow::eyebrowAccent() const {
  if (step_ == kMicrophone) return "Optional";
  return std::nullopt;
}

std::string OnboardingFlow::keyName() const { return ModifierTap::Choice::with(host_.prefs().hotkeyCode()).name; }

// ---- Accessibility page ----

double OnboardingFlow::now() { return dispatch::monotonicSeconds(); }

std::string OnboardingFlow::accessibilityStatus() const {
  return host_.accessibility() ? "Accessibility is on" : "Waiting for Accessibility\u2026";
}

void OnboardingFlow::waitingShown(double now) {
  if (!waitingSince_) waitingSince_ = now;
}

std::optional<std::string> OnboardingFlow::hint(double now) const {
  if (!waitingSince_ || now - *waitingSince_ <= kHintAfter) return std::nullopt;
  return "Still off? Check that at-spi2-core is installed, then log out and back in. Programs already open may need "
         "a restart.";
}

void OnboardingFlow::turnOnAccessibility() {
  host_.requestAccessibility();
  host_.startPolling();
  host_.openSettings(OnboardingHost::SettingsPane::accessibility);
  host_.startPolling();
}

// ---- Microphone page ----

OnboardingFlow::MicRow OnboardingFlow::micRow() const {
  switch (host_.mic()) {
    case OnboardingHost::Mic::granted:
      return {true, "Microphone is on", std::nullopt, std::nullopt};
    case OnboardingHost::Mic::notAsked:
      return {false, "Microphone not allowed yet", "Allow Microphone", std::nullopt};
    case OnboardingHost::Mic::denied:
      break;
  }
  return {false, "No microphone Orvak can use", "Open Sound Settings",
          "Connect a microphone or choose one in Settings \u2192 Sound."};
}

std::string OnboardingFlow::micProse() const {
  return "Hold " + keyName() +
         " while Orvak reads and say \u201Chighlight that\u201D, \u201Csave a note: \u2026\u201D, \u201Cskip "
         "ahead\u201D, \u201Cgo back\u201D or \u201Cstop\u201D. Speech is turned into text on this computer, and the "
         "mic is only used while Orvak is reading or while you hold the key.";
}

void OnboardingFlow::micButton() {
  switch (host_.readMic()) {
    case OnboardingHost::Mic::granted:
      return;  // the published state lags; the next poll catches up
    case OnboardingHost::Mic::notAsked:
      host_.requestMic();
      return;
    case OnboardingHost::Mic::denied:
      host_.openSettings(OnboardingHost::SettingsPane::sound);
      host_.startPolling();
      return;
  }
}

// ---- Voice page ----

std::vector<OnboardingFlow::VoiceCard> OnboardingFlow::voiceCards() const {
  std::vector<VoiceCard> cards;
  for (Vendor v : offeredVendors(false)) {
    const auto key = orvak::keyName(v);
    const bool ready = !key || Keys::get(std::string(*key)).has_value();
    cards.push_back(
        {v, ready, false, std::string(displayName(v)),
         ready ? std::string(blurb(v)) : "Not set up on this computer yet. Orvak uses On-device until it is."});
  }
  // The card marked is the voice that will read: a chosen voice that is not set up yet reads
  // with the on-device one, so that card is the one marked meanwhile.
  const Vendor chosen = host_.prefs().vendor();
  const bool chosenReady =
      std::any_of(cards.begin(), cards.end(), [chosen](const VoiceCard& c) { return c.vendor == chosen && c.ready; });
  const Vendor reads = chosenReady ? chosen : Vendor::onDevice;
  for (auto& card : cards) card.selected = card.vendor == reads;
  return cards;
}

void OnboardingFlow::tapVoice(Vendor vendor) {
  for (const auto& card : voiceCards()) {
    if (card.vendor == vendor && card.ready) host_.prefs().setVendor(vendor);
  }
}

std::string OnboardingFlow::voiceSentence(Vendor vendor) {
  return "This is the " + std::string(displayName(vendor)) +
         " voice. Double-tap your key in any app, and I'll read what's in front of you.";
}

void OnboardingFlow::hearVoice(Vendor vendor) {
  for (const auto& card : voiceCards()) {
    if (card.vendor == vendor && card.ready) host_.trigger("test", ReadOptions{}, voiceSentence(vendor), vendor);
  }
}

// ---- Try-it page ----

const std::string& OnboardingFlow::sampleText() {
  static const std::string text =
      "Orvak reads what is in front of you, out loud. While it reads, the sentence you are hearing is marked on the "
      "page, so your eyes can follow along or wander off. When a line matters, hold the key and say \u201Chighlight "
      "that.\u201D Orvak keeps the sentence, the page and the time, and you will find it later in Highlights.";
  return text;
}

std::vector<OnboardingFlow::Check> OnboardingFlow::checklist() const {
  const std::string key = keyName();
  if (!host_.canWatchKey()) {
    // The button still reads; the key, tapped or held, is not seen in this session.
    return {{started_, "Click Read It to Me.", false},
            {false, "Double-tapping and holding " + key + " need an X11 session; this one can't watch keys.", true}};
  }
  std::vector<Check> rows{{started_, "Double-tap " + key + ", or click Read It to Me.", false}};
  if (host_.mic() == OnboardingHost::Mic::granted) {
    rows.push_back({saved_, "While it reads, hold " + key + " and say \u201Chighlight that.\u201D", false});
    rows.push_back(
        {saved_, saved_ ? "Saved to Highlights. That's the whole idea." : "Orvak saves the sentence for you.", false});
  } else {
    rows.push_back({false, "Voice commands need the microphone. You can allow it later in Settings.", true});
  }
  return rows;
}

void OnboardingFlow::pressTryIt() {
  if (reading_) {
    if (host_.hasPlayer()) host_.stopPlayer("user");
    return;
  }
  if (!host_.canCaptureSelf()) {
    // The read still happens: the same sentences, handed over as text instead of captured.
    Log::write("onboarding: this desktop cannot capture Orvak's own window; reading the sample as text");
    host_.trigger("onboarding", ReadOptions{}, sampleText(), std::nullopt);
    return;
  }
  host_.trigger("onboarding", ReadOptions{}, std::nullopt, std::nullopt);
}

// ---- Ready page ----

std::string OnboardingFlow::readyProse() const {
  const std::string key = keyName();
  // Nothing on the panel to point at: the window is found the way Orvak was started.
  const std::string noTray = "There is no system tray here: to see Orvak's window, open Orvak again from your "
                             "applications.";
  if (!host_.canWatchKey()) {
    const std::string x11 = "in an X11 session, double-tap " + key + " in any article, email or PDF.";
    if (host_.hasTray()) return "This session can't watch keys, so read from Orvak's menu in the system tray; " + x11;
    return "This session can't watch keys: " + x11 + " " + noTray;
  }
  const std::string read = "Click into any article, email or PDF and double-tap " + key + ". ";
  return read + (host_.hasTray() ? "Orvak lives in the system tray." : noTray);
}

}  // namespace orvak
