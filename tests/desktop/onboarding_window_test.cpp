// Orvak's first-run window read through the AT-SPI backend on its try-it step: the capture finds
// the sample page, and nothing of the heading, the checklist or the step rail.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "app/capturer.h"
#include "app/onboarding/onboarding_flow.h"
#include "core/base/dispatch.h"
#include "core/base/timing.h"
#include "platform/linux/atspi_desktop.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "tests/desktop/child_process.h"

namespace orvak {
namespace {

// The window's process in front; as for our own process, the capturer is allowed to read it.
class WindowInFront final : public platform::Workspace {
 public:
  explicit WindowInFront(pid_t pid) : pid_(pid) {}
  std::optional<platform::RunningApplication> frontmostApplication() override {
    return platform::RunningApplication{"Orvak", std::nullopt, pid_, 1, {}};
  }
  pid_t ownPid() override { return pid_; }
  std::vector<platform::WindowInfo> onScreenWindows() override { return {}; }
  std::optional<std::uint64_t> addActivationObserver(ActivationHandler) override { return std::nullopt; }
  void removeActivationObserver(std::uint64_t) override {}

 private:
  pid_t pid_;
};

TEST(OnboardingWindow, TheTryItStepCapturesAsTheSamplePageAlone) {
  test::ChildProcess window({ORVAK_ONBOARDING_FIXTURE});
  ASSERT_EQ(window.readLine(20), "ready");
  auto desktop = std::make_shared<atspi::AtspiDesktop>();
  ASSERT_TRUE(test::pollUntil(20, [&] {
    auto windows = desktop->application(window.pid()).attribute("AXWindows");
    return windows.ok() && !windows.value.as<ax::ElementList>()->empty();
  }));
  auto sim = sim::SimDesktop::fromJson(json::Json::parse(R"({"applications": []})"));
  auto capturer =
      Capturer::make(desktop, std::make_shared<WindowInFront>(window.pid()), std::make_shared<sim::SimEvents>(sim));
  capturer->allowSelf = true;

  std::optional<Capture> capture;
  std::string last;
  ASSERT_TRUE(test::pollUntil(20, [&] {
    std::optional<CaptureOutcome> outcome;
    capturer->capture(Clock::now(), [&](CaptureOutcome o) { outcome = std::move(o); });
    if (!dispatch::mainloop::runUntil([&] { return outcome.has_value(); }, 20)) return false;
    if (auto* c = std::get_if<Capture>(&*outcome); c && c->clean.text.find("out loud") != std::string::npos) {
      capture = *c;
    } else if (c) {
      last = c->clean.text;
    }
    return capture.has_value();
  })) << last;
  EXPECT_EQ(capture->clean.text, OnboardingFlow::sampleText());
}

}  // namespace
}  // namespace orvak
