// The microphone's state on a private PulseAudio server: an output's monitor is no microphone;
// a real source is, and asking for it records from it.
#include <gtest/gtest.h>

#include <future>

#include "core/base/dispatch.h"
#include "platform/microphone.h"
#include "tests/platform/private_pulse.h"

namespace orvak::platform {
namespace {

TEST(PulseMicrophone, OnlyARealSourceIsAMicrophone) {
  {
    PrivatePulse server;
    if (!server.up()) GTEST_SKIP() << "no pulseaudio server could be started";
    EXPECT_EQ(makePulseMicrophone("orvak-test")->access(), MicAccess::denied) << "a monitor records the output";
  }
  PrivatePulse server("load-module module-sine-source source_name=orvakmic\nset-default-source orvakmic\n");
  ASSERT_TRUE(server.up());
  auto mic = makePulseMicrophone("orvak-test");
  EXPECT_EQ(mic->access(), MicAccess::granted);
  std::promise<void> answered;
  mic->request([&] { answered.set_value(); });
  ASSERT_EQ(answered.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(mic->access(), MicAccess::granted) << "the test recording heard the source";
}

TEST(PulseMicrophone, NoServerIsNoMicrophone) {
  ::setenv("PULSE_SERVER", "unix:/nonexistent/orvak-no-server", 1);
  EXPECT_EQ(makePulseMicrophone("orvak-test")->access(), MicAccess::denied);
  ::unsetenv("PULSE_SERVER");
}

}  // namespace
}  // namespace orvak::platform
