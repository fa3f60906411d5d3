// The PulseAudio output against a server of the test's own, including one that stops answering.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "platform/audio_device.h"
#include "tests/platform/private_pulse.h"

namespace orvak::platform {
namespace {

// A server stopped by a signal takes no more sound: the write that waits for it ends with an error
// naming the cause instead of holding the thread, and closing does not wait for the server.
TEST(PulseAudioDevice, AFrozenServerEndsTheWriteWithAnErrorAndCloseDoesNotWait) {
  PrivatePulse server;
  if (!server.up()) GTEST_SKIP() << "no pulseaudio server could be started";
  auto out = makePulseAudioDevice("orvak-test-out");
  out->open(AudioFormat{44100, 2});
  const std::vector<float> cycle(441 * 2, 0.1f);  // 10 ms
  for (int i = 0; i < 20; ++i) out->write(cycle);  // a running server takes it at its pace

  ASSERT_EQ(::kill(server.pid(), SIGSTOP), 0);
  std::string error;
  // The server's buffer holds well under a second, so a write waits within these.
  for (int i = 0; i < 1000 && error.empty(); ++i) {
    try {
      out->write(cycle);
    } catch (const AudioDeviceError& e) {
      error = e.what();
    }
  }
  out->close();
  ::kill(server.pid(), SIGCONT);
  EXPECT_EQ(error, "pulse: the sound server took no sound for 1.5 s (is it frozen?)");

  // Once it answers again, the device opens and plays anew.
  out->open(AudioFormat{44100, 2});
  out->write(cycle);
  out->close();
}

}  // namespace
}  // namespace orvak::platform
