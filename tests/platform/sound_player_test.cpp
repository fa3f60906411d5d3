#include "platform/sound_player.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sim/capture_audio_device.h"

namespace orvak::platform {
namespace {

void put(std::vector<std::uint8_t>& b, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void tag(std::vector<std::uint8_t>& b, const char* t) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(t[i]));
}

// A 16-bit WAV with an extra chunk of odd size before the data, as other tools write them.
std::vector<std::uint8_t> wavOf(const std::vector<std::int16_t>& samples, std::uint32_t rate, std::uint16_t channels,
                                std::uint16_t bits = 16) {
  std::vector<std::uint8_t> b;
  tag(b, "RIFF");
  put(b, 0, 4);
  tag(b, "WAVE");
  tag(b, "fmt ");
  put(b, 16, 4);
  put(b, 1, 2);
  put(b, channels, 2);
  put(b, rate, 4);
  put(b, rate * channels * 2, 4);
  put(b, channels * 2, 2);
  put(b, bits, 2);
  tag(b, "LIST");
  put(b, 3, 4);
  put(b, 0x00636261, 4);  // "abc" and the pad byte
  tag(b, "data");
  put(b, static_cast<std::uint32_t>(samples.size() * 2), 4);
  for (auto s : samples) put(b, static_cast<std::uint16_t>(s), 2);
  return b;
}

TEST(SoundPlayer, PlaysEverySampleOnItsOwnDeviceThenLetsGo) {
  auto tape = std::make_shared<AudioTape>();
  const std::vector<std::int16_t> samples{16384, -16384, 32767, -32768, 0, 8192};
  SoundPlayer player(wavOf(samples, 22050, 2), [&] { return std::make_unique<CaptureAudioDevice>(tape); });
  EXPECT_EQ(player.format(), (AudioFormat{22050, 2}));
  EXPECT_EQ(player.frameCount(), 3u);
  player.play();
  player.wait();
  EXPECT_FALSE(player.isPlaying());
  EXPECT_FALSE(tape->isOpen());
  EXPECT_EQ(tape->format(), (AudioFormat{22050, 2}));
  const auto got = tape->interleaved();
  ASSERT_GE(got.size(), samples.size());
  const std::vector<float> expected{0.5f, -0.5f, 32767 / 32768.0f, -1.0f, 0.0f, 0.25f};
  EXPECT_EQ(std::vector<float>(got.begin(), got.begin() + 6), expected);
  // Playing again starts from the beginning.
  player.play();
  player.wait();
  EXPECT_EQ(tape->opens(), 2);
}

TEST(SoundPlayer, AVeryLowSampleRateStillPlaysThroughAndEnds) {
  // Under a hundred frames a second, a 10 ms slice holds no whole frame.
  auto tape = std::make_shared<AudioTape>();
  SoundPlayer player(wavOf({8192, 16384, -8192}, 50, 1), [&] { return std::make_unique<CaptureAudioDevice>(tape); });
  player.play();
  player.wait();
  EXPECT_FALSE(player.isPlaying());
  const auto got = tape->interleaved();
  ASSERT_GE(got.size(), 3u);
  EXPECT_EQ(std::vector<float>(got.begin(), got.begin() + 3), (std::vector<float>{0.25f, 0.5f, -0.25f}));
}

TEST(SoundPlayer, RefusesWhatIsNotA16BitWav) {
  EXPECT_THROW(SoundPlayer(std::vector<std::uint8_t>{'R', 'I', 'F', 'F'}), std::invalid_argument);
  EXPECT_THROW(SoundPlayer(wavOf({1, 2}, 44100, 1, 8)), std::invalid_argument);
  const auto whole = wavOf({1, 2, 3, 4}, 44100, 1);
  const std::vector<std::uint8_t> truncated(whole.begin(), whole.end() - 3);
  EXPECT_THROW(SoundPlayer{truncated}, std::invalid_argument);
}

class NoDevice final : public AudioDevice {
 public:
  std::string name() const override { return "none"; }
  void open(const AudioFormat&) override { throw AudioDeviceError("none"); }
  void close() override {}
  void write(std::span<const float>) override {}
  std::uint64_t framesPlayed() const override { return 0; }
  double latencySeconds() const override { return 0; }
  bool paced() const override { return false; }
};

TEST(SoundPlayer, WithoutADeviceItIsSilentAndFinishes) {
  SoundPlayer player(wavOf({100, 200}, 44100, 1), [] { return std::make_unique<NoDevice>(); });
  player.play();
  player.wait();
  EXPECT_FALSE(player.isPlaying());
}

}  // namespace
}  // namespace orvak::platform
