// The first-run window's "Turn On Accessibility" on a private desktop whose accessibility support
// starts switched off: the desktop's switch ends up on and the grant reads as given.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/onboarding/onboarding_flow.h"
#include "app/system/permissions.h"
#include "platform/linux/atspi_desktop.h"
#include "platform/process.h"
#include "platform/sim/sim_microphone.h"
#include "tests/app/onboarding/fake_onboarding_host.h"

namespace orvak {
namespace {

// The desktop's switch as another program sees it: "true", "false" or what went wrong.
std::string isEnabled() {
  const auto r =
      platform::runProcess({"dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                            "org.freedesktop.DBus.Properties.Get", "string:org.a11y.Status", "string:IsEnabled"},
                           std::nullopt, 10);
  if (!r || r->status != 0) return "no answer";
  if (r->output.find("boolean true") != std::string::npos) return "true";
  if (r->output.find("boolean false") != std::string::npos) return "false";
  return r->output;
}

void switchOff() {
  const auto r = platform::runProcess(
      {"dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
       "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:IsEnabled", "variant:boolean:false"},
      std::nullopt, 10);
  ASSERT_TRUE(r && r->status == 0);
}

// The test's host, with the real grants behind it; settings programs are never started here.
class RealGrantsHost : public test::FakeOnboardingHost {
 public:
  explicit RealGrantsHost(std::shared_ptr<Permissions> perms) : perms_(std::move(perms)) {}
  bool accessibility() const override { return perms_->accessibility(); }
  void requestAccessibility() override { perms_->requestAccessibility(); }
  void startPolling() override { perms_->startPolling(); }

 private:
  std::shared_ptr<Permissions> perms_;
};

TEST(AccessibilitySwitch, TurningItOnFromTheFirstRunWindowGrantsAccessibility) {
  switchOff();
  ASSERT_EQ(isEnabled(), "false");
  auto perms = Permissions::make(std::make_shared<atspi::AtspiDesktop>(), std::make_shared<sim::SimMicrophone>());
  ASSERT_FALSE(perms->accessibility());

  RealGrantsHost host(perms);
  auto flow = OnboardingFlow::make(host);
  flow->setStep(OnboardingFlow::kAccessibility);
  flow->turnOnAccessibility();

  EXPECT_EQ(isEnabled(), "true");
  perms->refresh();
  EXPECT_TRUE(perms->accessibility());
  EXPECT_EQ(flow->accessibilityStatus(), "Accessibility is on");
}

}  // namespace
}  // namespace orvak
