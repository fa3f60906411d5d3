// Orvak's first-run window read through the AT-SPI backend on its try-it step: the capture finds
// the sample page, and nothing of the heading, the checklist or the step rail.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "app/capture/capturer.h"
#include "app/onboarding/onboarding_flow.h"
#include "core/base/dispatch.h"
#include "core/base/timing.h"
#include "platform/linux/atspi_desktop.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "tests/desktop/child_process.h"
#include "tests/desktop/program_in_front.h"

namespace orvak {
namespace {

TEST(OnboardingWindow, TheTryItStepCapturesAsTheSamplePageAlone) {
  test::ChildProcess window({ORVAK_ONBOARDING_FIXTURE});
  ASSERT_EQ(window.readLine(20), "ready");
  auto desktop = std::make_shared<atspi::AtspiDesktop>();
  ASSERT_TRUE(test::pollUntil(20, [&] {
    auto windows = desktop->application(window.pid()).attribute("AXWindows");
    return windows.ok() && !windows.value.as<ax::ElementList>()->empty();
  }));
  auto sim = sim::SimDesktop::fromJson(json::Json::parse(R"({"applications": []})"));
  const platform::RunningApplication orvak{"Orvak", std::nullopt, window.pid(), 1, {}};
  auto capturer = Capturer::make(desktop, std::make_shared<test::ProgramInFront>(orvak, true),
                                 std::make_shared<sim::SimEvents>(sim));
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
