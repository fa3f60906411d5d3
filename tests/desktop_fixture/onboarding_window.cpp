// The first-run window on its try-it step, for the desktop tests: a process of its own exposed on
// the accessibility bus, as the running application would show it. Prints "ready" once shown and
// ends when its standard input closes.
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "app/onboarding/onboarding_flow.h"
#include "app/views/onboarding/onboarding_view.h"

namespace {

// Answers as a desktop with both grants and no read in progress; acts on nothing.
class StillHost : public orvak::OnboardingHost {
 public:
  explicit StillHost(const std::string& defaults) : prefs_(std::make_shared<orvak::platform::Defaults>(defaults)) {}
  orvak::Prefs& prefs() override { return prefs_; }
  orvak::HotkeyTest& tester() override { return test_; }
  orvak::platform::NotificationCenter& notifications() override { return center_; }
  bool accessibility() const override { return true; }
  Mic mic() const override { return Mic::granted; }
  std::uint64_t observePermissions(std::function<void()>) override { return 1; }
  void unobservePermissions(std::uint64_t) override {}
  void startPolling() override {}
  void requestAccessibility() override {}
  Mic readMic() override { return Mic::granted; }
  void requestMic() override {}
  bool openSettings(SettingsPane) override { return false; }
  bool canWatchKey() const override { return true; }
  bool hasTray() const override { return false; }
  void setAllowSelf(bool) override {}
  bool canCaptureSelf() const override { return true; }
  bool hasPlayer() const override { return false; }
  void stopPlayer(const std::string&) override {}
  void trigger(const std::string&, orvak::ReadOptions, std::optional<std::string>,
               std::optional<orvak::Vendor>) override {}
  void finish() override {}

 private:
  class Test : public orvak::HotkeyTest {
   public:
    const State& state() const override { return state_; }
    void arm() override {}
    void disarm() override {}

   private:
    State state_;
  };
  orvak::Prefs prefs_;
  Test test_;
  orvak::platform::NotificationCenter center_;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  StillHost host(dir.filePath("defaults.json").toStdString());
  auto flow = orvak::OnboardingFlow::make(host);
  flow->setStep(orvak::OnboardingFlow::kTryIt);
  orvak::views::onboarding::OnboardingView view(flow);
  view.setWindowTitle("Welcome to Orvak");
  view.show();
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char buffer[64];
    if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) app.quit();
  });
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}
