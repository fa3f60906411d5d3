// The first-run window's logic, without the widgets: seven steps in a fixed order, the footer of
// each, the moves (the footer, an advance of its own 0.9 s after a grant arrives, the developer
// channel's step), what each step switches on and off around it (the hotkey test on "Your key",
// reading our own window on "Try it"), the try-it step's watch of the read and the library, and
// the texts of the permission pages.
//
// Main thread only. Delays and the 0.3 s watch come from core/base/dispatch.h, so tests run it in
// virtual time.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/onboarding/onboarding_host.h"
#include "core/base/dispatch.h"

namespace orvak {

class OnboardingFlow : public std::enable_shared_from_this<OnboardingFlow> {
  struct Token {};

 public:
  static constexpr std::array<const char*, 7> kSteps{"Welcome",  "Accessibility", "Microphone", "Voice",
                                                     "Your key", "Try it",        "Ready"};
  static constexpr int kAccessibility = 1, kMicrophone = 2, kVoice = 3, kHotkey = 4, kTryIt = 5, kReady = 6;
  static constexpr double kAdvanceDelay = 0.9;
  static constexpr double kSampleInterval = 0.3;
  static constexpr double kHintAfter = 12.0;
  static constexpr double kHintRedraw = 1.0;

  static std::shared_ptr<OnboardingFlow> make(OnboardingHost& host);
  OnboardingFlow(Token, OnboardingHost& host);
  ~OnboardingFlow();
  OnboardingFlow(const OnboardingFlow&) = delete;
  OnboardingFlow& operator=(const OnboardingFlow&) = delete;

  OnboardingHost& host() { return host_; }
  int step() const { return step_; }
  // Try-it step: a read is in progress (sampled), one was seen during this visit, the library
  // changed during this visit.
  bool reading() const { return reading_; }
  bool started() const { return started_; }
  bool saved() const { return saved_; }

  // Called after every change of what the window shows (step, flags, grants, key).
  std::function<void()> onChange;

  // ---- The window ----
  // The window came on screen: the current step's effects are applied again (a test armed, our
  // own window readable, the try-it flags cleared), the 0.3 s watch and the grants' poll start.
  void appeared();
  // The window closed: nothing of ours stays readable, the test is ended, a sample read stops.
  void disappeared();
  bool isShown() const { return sampler_.has_value(); }

  // ---- Footer ----
  enum class Action { back, forward, finish };
  struct Button {
    std::string label;
    bool primary = false;
    bool returnKey = false;  // Return presses it
    bool enabled = true;
    Action action = Action::forward;
    bool operator==(const Button&) const = default;
  };
  // Left to right after the flexible space.
  std::vector<Button> footer() const;
  // What a footer button does (a disabled one does nothing).
  void press(const Button& button);
  // Return pressed: the button carrying the key, when there is one and it is enabled.
  void pressReturn();

  // Moves to `step` with the effects of leaving the old one and entering the new one.
  void setStep(int step);

  // ---- Page kit ----
  // "Step N of 7".
  std::string eyebrow() const;
  // "Optional" on the microphone step only.
  std::optional<std::string> eyebrowAccent() const;
  // The stored key's display name.
  std::string keyName() const;

  // ---- Accessibility page ----
  // Seconds on the monotonic clock, the clock of `waitingShown` and `hint`.
  static double now();
  std::string accessibilityStatus() const;
  // The waiting block came on screen at `now` (seconds, monotonic); kept from the first time only.
  void waitingShown(double now);
  std::optional<double> waitingSince() const { return waitingSince_; }
  // The hint shown at `now`: only when more than 12 s have passed since the block first showed.
  std::optional<std::string> hint(double now) const;
  // "Turn On Accessibility".
  void turnOnAccessibility();

  // ---- Microphone page ----
  struct MicRow {
    bool ok = false;
    std::string status;
    std::optional<std::string> button;
    std::optional<std::string> line;  // under the button
    bool operator==(const MicRow&) const = default;
  };
  MicRow micRow() const;
  std::string micProse() const;
  // The microphone page's button: reads the state afresh and acts on it.
  void micButton();

  // ---- Voice page ----
  struct VoiceCard {
    Vendor vendor = Vendor::onDevice;
    bool ready = false;     // needs no key, or its key is stored
    bool selected = false;  // the voice the settings choose
    std::string name;
    std::string description;
    bool operator==(const VoiceCard&) const = default;
  };
  // One card per offered voice, computed afresh on every call (a key stored meanwhile counts).
  std::vector<VoiceCard> voiceCards() const;
  // A tap on a card chooses its voice, only when it is ready.
  void tapVoice(Vendor vendor);
  // "Hear It": a sentence naming the card's voice, spoken with that voice.
  void hearVoice(Vendor vendor);
  static std::string voiceSentence(Vendor vendor);

  // ---- Try-it page ----
  // The page read aloud on the try-it step.
  static const std::string& sampleText();
  struct Check {
    bool done = false;
    std::string text;
    bool dimmed = false;
    bool operator==(const Check&) const = default;
  };
  std::vector<Check> checklist() const;
  // "Stop" while a read is in progress, else "Read It to Me".
  std::string tryItButton() const { return reading_ ? "Stop" : "Read It to Me"; }
  void pressTryIt();

  // ---- Ready page ----
  std::string readyProse() const;

 private:
  void enter(int oldStep, int newStep);
  void enterEffects(int newStep);
  void advance(double after);
  void sample();
  void changed();

  OnboardingHost& host_;
  int step_ = 0;
  bool reading_ = false;
  bool started_ = false;
  bool saved_ = false;
  std::optional<double> waitingSince_;
  std::optional<dispatch::RepeatingTimer> sampler_;
  std::vector<dispatch::WorkItem> advances_;
  platform::NotificationCenter::Observation notesObservation_;
  platform::NotificationCenter::Observation stepObservation_;
  std::uint64_t permissionsObserver_ = 0;
  std::uint64_t prefsObserver_ = 0;
  bool lastAccessibility_ = false;
  OnboardingHost::Mic lastMic_ = OnboardingHost::Mic::notAsked;
};

}  // namespace orvak
