// Rendering a text file to a WAV file and a words file with a scripted engine, in virtual time.
#include "app/render_voice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/read_file.h"
#include "tests/app/scripted_engine.h"
#include "tests/support/files.h"
#include "tests/support/temp_home.h"

using namespace orvak;
namespace rv = orvak::RenderVoice;

using test::s16;
using test::u32;

TEST(RenderVoiceTest, TheWavHeaderAndSamples) {
  const float samples[] = {1.0f, 1.5f, -1.0f, -3.0f, 0.5f, std::nanf("")};
  const auto b = rv::wav(samples, 24000);
  ASSERT_EQ(b.size(), 44u + 12u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
  EXPECT_EQ(u32(b, 4), 36u + 12u);
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(u32(b, 24), 24000u);
  EXPECT_EQ(u32(b, 28), 48000u);
  EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
  EXPECT_EQ(u32(b, 40), 12u);
  const std::int16_t expected[] = {32767, 32767, -32767, -32767, 16383, 0};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(s16(b, 44 + 2 * i), expected[i]) << i;
}

TEST(RenderVoiceTest, WordsMoveToWhereTheirSentenceBegan) {
  rv::Collect c;
  c.ttsAudio(std::vector<float>(48'000, 0.1f), 24000, 0);
  c.ttsAudio(std::vector<float>(100, 0.1f), 24000, 1);
  c.ttsWords({{"later", 0.25, 0.5}}, 1);
  c.ttsWords({{"first", 0.1, 0.2}}, 0);
  c.ttsWords({{"loose", 3.0, 3.5}}, std::nullopt);
  const auto s = c.state();
  EXPECT_EQ(s.words, (std::vector<WordTiming>{{"later", 2.25, 2.5}, {"first", 0.1, 0.2}, {"loose", 3.0, 3.5}}));
  const auto file = rv::wordsFile("text", s.pcm.size(), s.rate, {{"w", 0.12345, 1.0006}});
  EXPECT_EQ(file.at("words")[0].at("s"), 0.123);
  EXPECT_EQ(file.at("words")[0].at("e"), 1.001);
}

TEST(RenderVoiceTest, ARenderWritesWhatArrivedAndSaysHowItEnded) {
  dispatch::VirtualTime vt;
  const auto dir = test::freshDir("render");
  const auto wait = [&vt](const std::function<bool()>& done, double seconds) {
    for (double t = 0; t < seconds && !done(); t += 0.05) vt.advance(0.05);
    return done();
  };
  {
    std::ofstream(dir / "two.txt") << "First sentence here. Second one.";
    auto engine = std::make_shared<orvak::testing::ScriptedEngine>(Vendor::inworld, 24000);
    engine->autoSpeak = orvak::testing::ScriptedEngine::Auto{1.0, 0.1};
    const auto out = rv::run(dir / "two.txt", dir / "two", engine, 120, wait);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.line, "rendered 2.0 s, 5 words \u2192 " + (dir / "two").string() + ".wav");
    EXPECT_EQ(readWholeFile(dir / "two.wav")->size(), 44u + 48'000u * 2);
    EXPECT_EQ(json::parse(*readWholeFile(dir / "two.words.json")).at("words").size(), 5u);
  }
  {
    // An engine that never finishes: what came is written, and the render fails.
    std::ofstream(dir / "slow.txt") << "One. Two.";
    auto engine = std::make_shared<orvak::testing::ScriptedEngine>(Vendor::inworld, 24000);
    const auto out =
        rv::run(dir / "slow.txt", dir / "slow", engine, 3, [&](const std::function<bool()>& done, double s) {
          engine->audio(0.5, 0);
          return wait(done, s);
        });
    EXPECT_EQ(out.exitCode, 1);
    EXPECT_EQ(out.line, "failed: timed out after 3 s");
    EXPECT_EQ(readWholeFile(dir / "slow.wav")->size(), 44u + 12'000u * 2);
  }
  {
    auto engine = std::make_shared<orvak::testing::ScriptedEngine>(Vendor::inworld, 24000);
    engine->autoSpeak.reset();
    // Nothing to speak (and a file that cannot be read is nothing too): empty files, at once.
    for (const char* name : {"empty.txt", "missing.txt"}) {
      if (std::string(name) == "empty.txt") std::ofstream(dir / name) << "  \n\n ";
      const auto out =
          rv::run(dir / name, dir / "nothing", engine, 120, [](const std::function<bool()>&, double) -> bool {
            ADD_FAILURE() << "waited";
            return false;
          });
      EXPECT_EQ(out.exitCode, 0) << name;
      EXPECT_EQ(readWholeFile(dir / "nothing.wav")->size(), 44u) << name;
    }
    EXPECT_TRUE(engine->sent.empty());
    std::ofstream(dir / "err.txt") << "Hello there.";
    const auto out = rv::run(dir / "err.txt", dir / "err", engine, 120, [&](const std::function<bool()>& done, double) {
      engine->error("inworld: API key rejected (HTTP 401)");
      return done();
    });
    EXPECT_EQ(out.exitCode, 1);
    EXPECT_EQ(out.line, "failed: inworld: API key rejected (HTTP 401)");
  }
}
