#include "app/audio/earcon.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <string>

#include "platform/sim/capture_audio_device.h"
#include "tests/support/files.h"

namespace orvak {
namespace {

using EarconKind = Earcon::Kind;

struct Recipe {
  EarconKind kind;
  double peak;
  std::size_t noiseEnd;  // samples covered by the noise component
  std::size_t toneEnd;   // ... and by the tone, the longer one
  double toneHz, toneDuration, toneLevel;
};

const char* kindName(EarconKind k) {
  switch (k) {
    case EarconKind::start: return "start";
    case EarconKind::warn: return "warn";
    case EarconKind::saved: return "saved";
  }
  return "?";
}

void PrintTo(const Recipe& r, std::ostream* os) { *os << kindName(r.kind); }

class EarconRecipe : public ::testing::TestWithParam<Recipe> {};

double toneAt(const Recipe& r, std::size_t n) {
  const double t = static_cast<double>(n) / 44100;
  const double attack = 0.006;
  const double env = t < attack ? r.toneLevel * t / attack
                                : r.toneLevel * std::pow(0.0008 / r.toneLevel, (t - attack) / (r.toneDuration - attack));
  return (std::sin(2 * std::numbers::pi * r.toneHz * t) + 0.12 * std::sin(2 * std::numbers::pi * 2 * r.toneHz * t)) * env;
}

TEST_P(EarconRecipe, ComponentsEndWhereTheyShouldAndTheSoundIsCutAndNormalised) {
  const Recipe r = GetParam();
  const auto raw = Earcon::detail::synthesise(r.kind);
  ASSERT_EQ(raw.size(), 22050u);
  // Nothing at or past the end of the longer component; sound on its last sample.
  EXPECT_NE(raw[r.toneEnd - 1], 0.0);
  for (std::size_t i = r.toneEnd; i < raw.size(); ++i) ASSERT_EQ(raw[i], 0.0) << i;
  // Past the noise only the tone is left.
  for (std::size_t i : {r.noiseEnd, r.noiseEnd + 1, r.noiseEnd + 500}) EXPECT_DOUBLE_EQ(raw[i], toneAt(r, i)) << i;
  EXPECT_NE(raw[r.noiseEnd - 1], toneAt(r, r.noiseEnd - 1));

  // The kept sound ends on the last raw sample louder than 0.0001.
  const auto& pcm = Earcon::pcm(r.kind);
  std::size_t lastLoud = 0;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (std::fabs(raw[i]) > 0.0001) lastLoud = i;
  }
  EXPECT_EQ(pcm.size(), lastLoud + 1);
  // The tone's envelope ends at 0.0008, above the cut: every cue keeps its full length.
  EXPECT_EQ(pcm.size(), r.toneEnd);

  double peak = 0, rawPeak = 0;
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    peak = std::max(peak, std::fabs(pcm[i]));
    rawPeak = std::max(rawPeak, std::fabs(raw[i]));
  }
  EXPECT_NEAR(peak, r.peak, 1e-15);
  EXPECT_NEAR(pcm[100], raw[100] * r.peak / rawPeak, 1e-15);

  const auto floats = Earcon::samples(r.kind);
  ASSERT_EQ(floats.size(), pcm.size());
  EXPECT_EQ(floats[200], static_cast<float>(pcm[200]));
}

INSTANTIATE_TEST_SUITE_P(Kinds, EarconRecipe,
                         ::testing::Values(Recipe{EarconKind::start, 0.22, 1543, 6174, 523.25, 0.14, 0.07},
                                           Recipe{EarconKind::warn, 0.2, 3969, 7056, 196, 0.16, 0.08},
                                           Recipe{EarconKind::saved, 0.17, 9702, 11466, 1046.5, 0.26, 0.035}),
                         [](const auto& info) { return std::string(kindName(info.param.kind)); });

TEST(Earcon, RenderingIsTheSameEveryTimeAndTheThreeSoundsDiffer) {
  for (EarconKind k : {EarconKind::start, EarconKind::warn, EarconKind::saved}) {
    EXPECT_EQ(Earcon::detail::synthesise(k), Earcon::detail::synthesise(k));
  }
  EXPECT_NE(Earcon::pcm(EarconKind::start), Earcon::pcm(EarconKind::warn));
  EXPECT_NE(Earcon::pcm(EarconKind::warn), Earcon::pcm(EarconKind::saved));
}

using test::s16;
using test::u32;

TEST(EarconWav, HeaderOfAnEmptyClip) {
  const auto w = Earcon::wav({});
  ASSERT_EQ(w.size(), 44u);
  EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
  EXPECT_EQ(u32(w, 4), 36u);
  EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(u32(w, 16), 16u);
  EXPECT_EQ(s16(w, 20), 1);
  EXPECT_EQ(s16(w, 22), 1);
  EXPECT_EQ(u32(w, 24), 44100u);
  EXPECT_EQ(u32(w, 28), 88200u);
  EXPECT_EQ(s16(w, 32), 2);
  EXPECT_EQ(s16(w, 34), 16);
  EXPECT_EQ(std::string(w.begin() + 36, w.begin() + 40), "data");
  EXPECT_EQ(u32(w, 40), 0u);
}

TEST(EarconWav, SamplesAreClippedAndTruncatedAndNotANumberIsSilence) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> in{1.0, 1.5, -1.0, -3.0, 0.5, -0.5, 0.0, 0.99999, nan, -nan};
  const std::vector<std::int16_t> out{32767, 32767, -32767, -32767, 16383, -16383, 0, 32766, 0, 0};
  const auto w = Earcon::wav(in);
  ASSERT_EQ(w.size(), 44 + 2 * in.size());
  EXPECT_EQ(u32(w, 4), 36 + 2 * in.size());
  EXPECT_EQ(u32(w, 40), 2 * in.size());
  for (std::size_t i = 0; i < in.size(); ++i) EXPECT_EQ(s16(w, 44 + 2 * i), out[i]) << in[i];
}

TEST(EarconWav, ACueSoundRoundTripsWithinOneStep) {
  const auto& pcm = Earcon::pcm(EarconKind::saved);
  const auto w = Earcon::wav(pcm);
  ASSERT_EQ(w.size(), 44 + 2 * pcm.size());
  for (std::size_t i = 0; i < pcm.size(); i += 97) EXPECT_NEAR(s16(w, 44 + 2 * i) / 32767.0, pcm[i], 1.0 / 32767) << i;
}

TEST(EarconWav, TheWavFormPlaysBackAsTheSoundOnAPlayerOfItsOwn) {
  auto tape = std::make_shared<platform::AudioTape>();
  const auto& pcm = Earcon::pcm(EarconKind::start);
  platform::SoundPlayer player(Earcon::wav(pcm), [&] { return std::make_unique<platform::CaptureAudioDevice>(tape); });
  EXPECT_EQ(player.format(), platform::AudioFormat::mono(44100));
  ASSERT_EQ(player.frameCount(), pcm.size());
  player.play();
  player.wait();
  const auto played = tape->channel(0);
  ASSERT_GE(played.size(), pcm.size());
  for (std::size_t i = 0; i < pcm.size(); ++i) ASSERT_NEAR(played[i], pcm[i], 2.0 / 32767) << i;
}

}  // namespace
}  // namespace orvak
