// Voice samples of every kind the service may send, decoded to the clip format.
#include "app/audio/sample_decoder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <string>

#include "tests/app/tone_file.h"

namespace orvak::audio {
namespace {

struct Case {
  std::string name;
  int format;
  int rate;
  int channels;
  double seconds;
  double lengthSlack;  // lossy codecs pad or trim a little at the ends
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class DecodeTable : public ::testing::TestWithParam<Case> {};

// Zero crossings per second of the middle of the signal: twice the tone's frequency when the
// rate was converted without moving the pitch.
double crossingsPerSecond(const std::vector<float>& s) {
  const std::size_t from = s.size() / 4, to = s.size() * 3 / 4;
  int crossings = 0;
  for (std::size_t i = from + 1; i < to; ++i) {
    if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
  }
  return crossings / (static_cast<double>(to - from) / 44100);
}

double rms(const std::vector<float>& s) {
  const std::size_t from = s.size() / 4, to = s.size() * 3 / 4;
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(s[i]) * s[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

TEST_P(DecodeTable, ComesOutMonoAt44100WithItsLengthPitchAndLevel) {
  const Case c = GetParam();
  const auto bytes = test::toneFile(c.format, c.rate, c.channels, c.seconds);
  const auto decoded = decodeSample(bytes);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->sourceRate, c.rate);
  EXPECT_EQ(decoded->sourceChannels, c.channels);
  EXPECT_NEAR(decoded->seconds(), c.seconds, c.lengthSlack);
  EXPECT_NEAR(crossingsPerSecond(decoded->samples), 2 * 441, 6);
  // The tone is in one channel only: mixing to mono divides its level by the channel count.
  EXPECT_NEAR(rms(decoded->samples), 0.5 / std::numbers::sqrt2 / c.channels, 0.02);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodeTable,
    ::testing::Values(Case{"wav16_mono_22050", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 1.0, 0},
                      Case{"wav_float_stereo_48000", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, 0.5, 0},
                      Case{"wav16_mono_44100", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 0.75, 0},
                      Case{"flac_mono_24000", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 24000, 1, 1.0, 0},
                      Case{"mp3_mono_22050", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 22050, 1, 1.0, 0.06},
                      Case{"ogg_vorbis_stereo_44100", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 1.0, 0.03},
                      Case{"ogg_opus_mono_48000", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 1, 1.0, 0.03}),
    [](const auto& info) { return info.param.name; });

TEST(DecodeSample, NamesTheFileFormat) {
  EXPECT_EQ(decodeSample(test::toneFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0.1))->formatName, "WAV (Microsoft)");
  EXPECT_EQ(decodeSample(test::toneFile(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 22050, 1, 0.2))->formatName,
            "MPEG-1/2 Audio");
}

TEST(DecodeSample, BytesThatAreNotAudioGiveNothing) {
  const std::string text = "{\"error\":\"voice not found\"}";
  auto wav = test::toneFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0.1);
  const std::vector<std::uint8_t> headerOnly(wav.begin(), wav.begin() + 44);
  const std::vector<std::vector<std::uint8_t>> bad = {
      {},
      {text.begin(), text.end()},
      std::vector<std::uint8_t>(4096, 0xAB),
      headerOnly,  // a WAV whose data was cut off: no frames
  };
  for (std::size_t i = 0; i < bad.size(); ++i) EXPECT_FALSE(decodeSample(bad[i]).has_value()) << i;
}

TEST(DecodeSample, AWavCutShortKeepsWhatItHas) {
  auto wav = test::toneFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 1.0);
  wav.resize(44 + 2 * 11025);  // a quarter of the data
  const auto decoded = decodeSample(wav);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->samples.size(), 11025u);
}

TEST(ResampleTo44100, LengthFollowsTheRateRatio) {
  const std::vector<float> ones(1000, 0.25f);
  for (int rate : {8000, 16000, 22050, 24000, 48000, 96000}) {
    EXPECT_EQ(resampleTo44100(ones, rate).size(), static_cast<std::size_t>(std::llround(1000.0 * 44100 / rate))) << rate;
  }
  EXPECT_TRUE(resampleTo44100(ones, 0).empty());
  EXPECT_TRUE(resampleTo44100({}, 22050).empty());
}

}  // namespace
}  // namespace orvak::audio
