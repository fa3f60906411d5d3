// The microphone's state on a private PulseAudio server: an output's monitor is no microphone;
// a real source is, and asking for it records from it.
#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <string>
#include <thread>
#include <vector>

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

// The private server's client connections named `name`, each as "#index": a new connection gets
// a new index.
std::vector<std::string> connections(const std::string& name) {
  std::vector<std::string> out;
  FILE* pipe = ::popen("pactl list clients 2>/dev/null", "r");
  if (pipe == nullptr) return out;
  std::string client;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    const std::string text(line);
    if (text.rfind("Client #", 0) == 0) client = text.substr(7, text.find_first_of("\r\n") - 7);
    if (text.find("application.name = \"" + name + "\"") != std::string::npos) out.push_back(client);
  }
  ::pclose(pipe);
  return out;
}

TEST(PulseMicrophone, OneConnectionFollowsTheSourcesWhileAskedAgainAndAgain) {
  PrivatePulse server;
  if (!server.up()) GTEST_SKIP() << "no pulseaudio server could be started";
  auto mic = makePulseMicrophone("orvak-mic-watch");
  EXPECT_EQ(mic->access(), MicAccess::denied);
  const auto first = connections("orvak-mic-watch");
  ASSERT_EQ(first.size(), 1u) << "the microphone keeps its connection";
  for (int i = 0; i < 5; ++i) EXPECT_EQ(mic->access(), MicAccess::denied);
  EXPECT_EQ(connections("orvak-mic-watch"), first) << "asking again opens no new connection";

  // A microphone plugged in: the server's source event is enough.
  ASSERT_EQ(std::system("pactl load-module module-sine-source source_name=plugged >/dev/null 2>&1"), 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (mic->access() != MicAccess::granted && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(mic->access(), MicAccess::granted);
  EXPECT_EQ(connections("orvak-mic-watch"), first);
}

TEST(PulseMicrophone, NoServerIsNoMicrophone) {
  ::setenv("PULSE_SERVER", "unix:/nonexistent/orvak-no-server", 1);
  EXPECT_EQ(makePulseMicrophone("orvak-test")->access(), MicAccess::denied);
  ::unsetenv("PULSE_SERVER");
}

}  // namespace
}  // namespace orvak::platform
