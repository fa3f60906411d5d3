#include "app/views/onboarding/onboarding_shots.h"

#include <QTemporaryDir>
#include <cstdlib>
#include <map>

#include "app/library/notifications.h"
#include "app/views/look/controls.h"
#include "app/views/look/pieces.h"
#include "app/views/onboarding/onboarding_view.h"
#include "speech/keys.h"

namespace orvak::views::onboarding {

namespace {

// A host whose answers the picture's options fix; it acts on nothing.
class PictureHost : public OnboardingHost {
 public:
  class Test : public HotkeyTest {
   public:
    const State& state() const override { return state_; }
    void arm() override { state_ = {State::Kind::waiting, {}}; }
    void disarm() override {
      if (armed()) state_ = {};
    }

   private:
    State state_;
  };

  explicit PictureHost(const std::string& defaultsFile) : prefs_(std::make_shared<platform::Defaults>(defaultsFile)) {}
  Prefs& prefs() override { return prefs_; }
  HotkeyTest& tester() override { return test_; }
  platform::NotificationCenter& notifications() override { return center_; }
  bool accessibility() const override { return ax; }
  Mic mic() const override { return micState; }
  std::uint64_t observePermissions(std::function<void()>) override { return 1; }
  void unobservePermissions(std::uint64_t) override {}
  void startPolling() override {}
  void requestAccessibility() override {}
  Mic readMic() override { return micState; }
  void requestMic() override {}
  bool openSettings(SettingsPane) override { return false; }
  bool canWatchKey() const override { return watchKey; }
  bool hasTray() const override { return tray; }
  void setAllowSelf(bool) override {}
  bool canCaptureSelf() const override { return true; }
  bool hasPlayer() const override { return player; }
  void stopPlayer(const std::string&) override {}
  void trigger(const std::string&, ReadOptions, std::optional<std::string>, std::optional<Vendor>) override {}
  void finish() override {}

  bool ax = false;
  Mic micState = Mic::granted;
  bool watchKey = true;
  bool tray = true;
  bool player = false;

 private:
  Prefs prefs_;
  Test test_;
  platform::NotificationCenter center_;
};

// The keys a picture shows as stored; the desktop's keychain is never asked.
class PictureKeychain : public platform::Keychain {
 public:
  explicit PictureKeychain(bool inworld) : inworld_(inworld) {}
  std::optional<std::string> find(const std::string& service, const std::string&) override {
    if (inworld_ && service == "orvak-inworld") return "picture-key-0000";
    return std::nullopt;
  }
  bool add(const std::string&, const std::string&, const std::string&, const std::string&) override { return false; }
  void remove(const std::string&, const std::string&) override {}

 private:
  bool inworld_;
};

std::string option(const ShotOptions& options, const std::string& name, const std::string& fallback) {
  return options.value(name).value_or(fallback);
}

// Every moving piece at one instant, so two pictures of a state compare.
void freezeAll(QWidget& root) {
  for (QWidget* w : root.findChildren<QWidget*>()) {
    if (auto* orb = dynamic_cast<look::HeroOrb*>(w)) orb->ticker().freeze(1.0);
    if (auto* dot = dynamic_cast<look::StatusDot*>(w)) dot->ticker().freeze(0.5);
    if (auto* spinner = dynamic_cast<look::Spinner*>(w)) spinner->ticker().freeze(0.3);
    if (auto* button = dynamic_cast<look::MarginButton*>(w)) button->ticker().freeze(0.0);
  }
}

QImage render(double scale, const ShotOptions& options) {
  const std::string stepText = option(options, "--step", "0");
  int step = -1;
  if (stepText.size() == 1 && stepText[0] >= '0' && stepText[0] <= '6') step = stepText[0] - '0';
  if (step < 0) throw std::invalid_argument("--step takes a step from 0 to 6");
  const std::string ax = option(options, "--ax", "off");
  if (ax != "on" && ax != "off") throw std::invalid_argument("--ax takes on or off");
  static const std::map<std::string, OnboardingHost::Mic> mics{{"granted", OnboardingHost::Mic::granted},
                                                               {"notasked", OnboardingHost::Mic::notAsked},
                                                               {"denied", OnboardingHost::Mic::denied}};
  const auto mic = mics.find(option(options, "--mic", "granted"));
  if (mic == mics.end()) throw std::invalid_argument("--mic takes granted, notasked or denied");

  const std::string keys = option(options, "--keys", "none");
  if (keys != "none" && keys != "inworld") throw std::invalid_argument("--keys takes none or inworld");
  // Keys from the environment would override the picture's.
  for (const char* v : {"INWORLD_API_KEY", "CARTESIA_API_KEY"}) unsetenv(v);
  Keys::useKeychain(std::make_shared<PictureKeychain>(keys == "inworld"));
  Keys::forget();
  // The try-it step's flags come from the flow's own watch, run here in virtual time.
  dispatch::VirtualTime vt;

  QTemporaryDir dir;
  if (!dir.isValid()) throw std::invalid_argument("no temporary folder for the settings");
  PictureHost host(dir.filePath("defaults.json").toStdString());
  host.ax = ax == "on";
  host.micState = mic->second;
  host.watchKey = !options.flag("--wayland");
  host.tray = !options.flag("--no-tray");
  auto flow = OnboardingFlow::make(host);
  if (options.flag("--hint")) flow->waitingShown(OnboardingFlow::now() - 20);
  flow->setStep(step);
  OnboardingView view(flow);
  // Shown first: showing applies the step's entry effects, which clear the try-it flags.
  view.setAttribute(Qt::WA_DontShowOnScreen);
  view.show();
  if (options.flag("--started") || options.flag("--reading")) {
    host.player = true;
    vt.advance(OnboardingFlow::kSampleInterval);
    host.player = options.flag("--reading");
    vt.advance(OnboardingFlow::kSampleInterval);
  }
  if (options.flag("--saved")) {
    host.notifications().post(std::string(notifications::orvakNotesChanged));
    vt.advance(0);
  }
  view.settle();
  freezeAll(view);
  return renderWidget(view, scale);
}

}  // namespace

Shot onboardingShot() {
  return {"onboarding",
          "the first-run window at a step",
          [](double scale) { return render(scale, {}); },
          {"--step", "--ax", "--mic", "--keys"},
          {"--hint", "--wayland", "--no-tray", "--reading", "--started", "--saved"},
          render};
}

}  // namespace orvak::views::onboarding
