#include <gtest/gtest.h>

#include <vector>

#include "platform/audio_file.h"
#include "tests/support/temp_home.h"

using orvak::platform::AudioFileError;
using orvak::platform::WavWriter;

TEST(WavWriter, StreamsSamplesAndRefusesWhatWouldPassTheLimit) {
  const auto file = orvak::test::freshDir("wav") / "out.wav";
  {
    WavWriter wav(file, 24000, 1000);
    wav.append(std::vector<float>(600, 0.5f));
    wav.append(std::vector<float>(400, -0.5f));  // exactly at the limit
    EXPECT_THROW(wav.append(std::vector<float>(1, 0.0f)), AudioFileError);
    EXPECT_EQ(wav.samples(), 1000u);
  }
  const auto clip = orvak::platform::readAudioFile(file);
  EXPECT_EQ(clip.sampleRate, 24000);
  ASSERT_EQ(clip.samples.size(), 1000u) << "the refused samples are not in the file";
  EXPECT_NEAR(clip.samples[0], 0.5f, 1e-3);
  EXPECT_NEAR(clip.samples[999], -0.5f, 1e-3);
  // The format's own limit: data and header within the 32-bit size fields.
  EXPECT_LE(WavWriter::maxSamples * 2 + 44, 0xFFFFFFFFull);
  EXPECT_THROW(WavWriter(orvak::test::freshDir("wav") / "missing" / "out.wav", 24000), AudioFileError);
}
