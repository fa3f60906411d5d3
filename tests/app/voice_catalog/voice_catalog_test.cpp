// The natural voice catalogue: its cache, overlapping loads, and sample previews heard through
// the audio graph, in virtual time against a source whose replies the test releases.
#include "app/voice_catalog/voice_catalog.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <fstream>
#include <memory>
#include <string>

#include "core/base/dispatch.h"
#include "core/base/read_file.h"
#include "platform/sim/capture_audio_device.h"
#include "tests/app/fake_voice_source.h"
#include "tests/app/tone_file.h"
#include "tests/support/temp_home.h"

namespace orvak {
namespace {

VoiceCatalog::List listOf(std::vector<std::string> ids) {
  VoiceCatalog::List list{.defaultVoice = ids.empty() ? "" : ids.front(), .voices = {}};
  for (const auto& id : ids) {
    list.voices.push_back({.id = id, .name = id + " name", .description = "calm", .gender = "female",
                           .accent = "american", .languages = {"en"}, .reading = id.size() % 2 == 0});
  }
  return list;
}

struct CatalogTest : ::testing::Test {
  std::shared_ptr<VoiceCatalog> open() {
    auto catalog = VoiceCatalog::make(cache, *graph);
    catalog->onChange = [this] { ++changes; };
    return catalog;
  }
  void writeCache(const std::string& text) { std::ofstream(cache) << text; }

  dispatch::VirtualTime vt;
  std::filesystem::path cache = test::freshDir("voices") / "voices.json";
  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  std::shared_ptr<AudioGraph> graph =
      AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape), [](const std::string&) {});
  test::FakeVoiceSource source;
  int changes = 0;
};

// ---- The cache ----

TEST_F(CatalogTest, CacheDecidesTheListAtCreation) {
  const std::string good =
      R"({"defaultVoice":"Ava","voices":[{"accent":"","description":"d","gender":"male","id":"Ava",)"
      R"("languages":["en","fr"],"name":"Ava","reading":true}]})";
  struct Case {
    const char* name;
    std::optional<std::string> file;
    bool hasList;
  };
  const Case cases[] = {
      {"no file", std::nullopt, false},
      {"good file", good, true},
      {"an item without reading", R"({"defaultVoice":"a","voices":[{"accent":"","description":"d","gender":"male",)"
                                  R"("id":"a","languages":[],"name":"A"}]})", false},
      {"reading as a number", R"({"defaultVoice":"a","voices":[{"accent":"","description":"d","gender":"male",)"
                              R"("id":"a","languages":[],"name":"A","reading":1}]})", false},
      {"no defaultVoice", R"({"voices":[]})", false},
      {"torn", good.substr(0, good.size() / 2), false},
      {"empty", "", false},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(cache);
    if (c.file) writeCache(*c.file);
    auto catalog = open();
    EXPECT_EQ(catalog->list().has_value(), c.hasList) << c.name;
  }
  writeCache(good);
  const auto list = open()->list();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->voices.at(0).languages, (std::vector<std::string>{"en", "fr"}));
  EXPECT_TRUE(list->voices.at(0).reading);
}

TEST_F(CatalogTest, AFetchedListIsWrittenCompactAndOutlivesARestartOffline) {
  auto catalog = open();
  EXPECT_FALSE(catalog->list());
  catalog->load(source);
  source.answerList(0, listOf({"Ava", "Dennis"}));
  EXPECT_FALSE(catalog->list());  // published on the main queue, after the write
  vt.drain();
  ASSERT_TRUE(catalog->list());
  EXPECT_EQ(*catalog->list(), listOf({"Ava", "Dennis"}));
  EXPECT_EQ(changes, 1);
  const auto text = readWholeFile(cache);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->find('\n'), std::string::npos);
  EXPECT_EQ(text->rfind(R"({"defaultVoice":"Ava","voices":[{"accent":"american",)", 0), 0u) << *text;

  // Restart while signed out: the cache still gives the list, and a failed load keeps it.
  catalog.reset();
  auto again = open();
  again->load(source);
  source.answerList(0, std::nullopt);
  vt.drain();
  EXPECT_EQ(again->list(), listOf({"Ava", "Dennis"}));
  EXPECT_EQ(*readWholeFile(cache), *text);
}

TEST_F(CatalogTest, OfTwoLoadsAnsweringOutOfOrderTheOneStartedLastWinsInMemoryAndOnDisk) {
  auto catalog = open();
  catalog->load(source);
  catalog->load(source);
  source.answerList(1, listOf({"Newer"}));  // the second load answers first
  vt.drain();
  source.answerList(0, listOf({"Older"}));
  vt.drain();
  EXPECT_EQ(catalog->list(), listOf({"Newer"}));
  EXPECT_EQ(open()->list(), listOf({"Newer"}));

  // In order, each one lands in turn.
  catalog->load(source);
  source.answerList(0, listOf({"Third"}));
  vt.drain();
  EXPECT_EQ(catalog->list(), listOf({"Third"}));
  EXPECT_EQ(open()->list(), listOf({"Third"}));
}

TEST_F(CatalogTest, AnUnwritableCacheStillPublishesTheList) {
  std::filesystem::create_directories(cache);  // a folder where the file should go
  auto catalog = open();
  catalog->load(source);
  source.answerList(0, listOf({"Ava"}));
  vt.drain();
  EXPECT_EQ(catalog->list(), listOf({"Ava"}));
}

// ---- Previews ----

struct PreviewTest : CatalogTest {
  // A WAV of `seconds` at 22,050 Hz.
  static std::vector<std::uint8_t> sample(double seconds) {
    return test::toneFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, seconds);
  }
  std::shared_ptr<VoiceCatalog> catalog = open();
};

TEST_F(PreviewTest, AFetchedSampleShowsLoadingThenPlaysAndEndsOnlyOnceHeard) {
  catalog->preview("A", source);
  EXPECT_EQ(catalog->loadingPreview(), "A");
  EXPECT_FALSE(catalog->playing());
  source.answerSample("A", sample(0.5));
  EXPECT_EQ(catalog->loadingPreview(), "A");  // the reply is applied on the main queue
  vt.drain();
  EXPECT_FALSE(catalog->loadingPreview());
  EXPECT_EQ(catalog->playing(), "A");
  EXPECT_TRUE(catalog->hasSample("A"));

  // `playing` ends with the last sample rendered, not before.
  std::uint64_t renderedWhenEnded = 0;
  catalog->onChange = [&] {
    if (!catalog->playing()) renderedWhenEnded = tape->frameCount();
  };
  vt.advance(0.45);
  EXPECT_EQ(catalog->playing(), "A");
  vt.advance(0.1);
  EXPECT_FALSE(catalog->playing());
  EXPECT_GE(renderedWhenEnded, 22050u);
}

TEST_F(PreviewTest, PlayingEndsWithTheHeardClipEvenWhenTheDeviceIsLate) {
  // A device that holds back a second of audio: the end comes a second after the clip's length.
  auto lateTape = std::make_shared<platform::AudioTape>();
  auto lateGraph = AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(lateTape, 44100),
                                    [](const std::string&) {});
  auto late = VoiceCatalog::make(test::freshDir("late") / "voices.json", *lateGraph);
  late->preview("A", source);
  source.answerSample("A", sample(0.5));
  vt.drain();
  vt.advance(1.2);
  EXPECT_EQ(late->playing(), "A");
  vt.advance(0.5);
  EXPECT_FALSE(late->playing());
}

TEST_F(PreviewTest, PressingThePlayingVoiceStopsItAndAgainReplaysFromMemory) {
  catalog->preview("A", source);
  source.answerSample("A", sample(3));
  vt.advance(0.5);
  ASSERT_EQ(catalog->playing(), "A");
  catalog->preview("A", source);
  EXPECT_FALSE(catalog->playing());
  const auto stoppedAt = tape->frameCount();
  vt.advance(0.5);
  const auto left = tape->channel(0);
  EXPECT_TRUE(std::all_of(left.begin() + static_cast<std::ptrdiff_t>(stoppedAt), left.end(),
                          [](float v) { return v == 0; }));

  catalog->preview("A", source);
  EXPECT_EQ(catalog->playing(), "A");
  EXPECT_FALSE(catalog->loadingPreview());
  EXPECT_EQ(source.samples.size(), 0u);  // no new request
  vt.advance(3.1);
  EXPECT_FALSE(catalog->playing());
}

TEST_F(PreviewTest, AnotherVoiceStopsTheFirstAtOnce) {
  catalog->preview("A", source);
  source.answerSample("A", sample(3));
  vt.advance(0.5);
  catalog->preview("B", source);
  EXPECT_FALSE(catalog->playing());
  EXPECT_EQ(catalog->loadingPreview(), "B");
  source.answerSample("B", sample(1));
  vt.drain();
  EXPECT_EQ(catalog->playing(), "B");
  // A's end, told when it was cut, does not end B.
  vt.advance(0.9);
  EXPECT_EQ(catalog->playing(), "B");
  vt.advance(0.2);
  EXPECT_FALSE(catalog->playing());
}

TEST_F(PreviewTest, ALateReplyIsKeptButNeitherPlaysNorClearsTheVoiceNowLoading) {
  catalog->preview("A", source);
  catalog->preview("B", source);
  source.answerSample("A", sample(1));
  vt.drain();
  EXPECT_FALSE(catalog->playing());
  EXPECT_EQ(catalog->loadingPreview(), "B");
  EXPECT_TRUE(catalog->hasSample("A"));
  source.answerSample("B", sample(1));
  vt.drain();
  EXPECT_EQ(catalog->playing(), "B");

  // Pressing A now plays its kept sample without asking again.
  catalog->preview("A", source);
  EXPECT_EQ(catalog->playing(), "A");
  EXPECT_EQ(source.samples.size(), 0u);
}

TEST_F(PreviewTest, ADoublePressWhileLoadingPlaysOnce) {
  catalog->preview("A", source);
  catalog->preview("A", source);
  ASSERT_EQ(source.sampleRequests("A"), 2u);
  source.answerSample("A", sample(2));
  vt.drain();
  EXPECT_EQ(catalog->playing(), "A");
  vt.advance(1);
  source.answerSample("A", sample(2));  // the second fetch answers halfway through
  vt.advance(0.5);
  EXPECT_EQ(catalog->playing(), "A");
  EXPECT_FALSE(catalog->loadingPreview());
  // It did not start the sample over: it ends two seconds after the first reply.
  vt.advance(0.6);
  EXPECT_FALSE(catalog->playing());
  const auto left = tape->channel(0);
  EXPECT_EQ(std::count_if(left.begin(), left.end(), [](float v) { return v != 0; }),
            std::count_if(left.begin(), left.begin() + 88200, [](float v) { return v != 0; }));
}

TEST_F(PreviewTest, NoSampleOrUndecodableBytesLeaveTheVoiceIdle) {
  catalog->preview("A", source);
  source.answerSample("A", std::nullopt);
  vt.drain();
  EXPECT_FALSE(catalog->loadingPreview());
  EXPECT_FALSE(catalog->playing());
  EXPECT_FALSE(catalog->hasSample("A"));

  const std::string html = "<html>502 Bad Gateway</html>";
  catalog->preview("B", source);
  source.answerSample("B", std::vector<std::uint8_t>(html.begin(), html.end()));
  vt.advance(1);
  EXPECT_FALSE(catalog->loadingPreview());
  EXPECT_FALSE(catalog->playing());
  EXPECT_EQ(tape->frameCount(), 0u);  // the engine was never started for it
}

TEST_F(PreviewTest, ACatalogGoneBeforeItsRepliesIgnoresThem) {
  catalog->preview("A", source);
  catalog->load(source);
  catalog.reset();
  source.answerSample("A", sample(1));
  source.answerList(0, listOf({"Ava"}));
  vt.advance(1);
  EXPECT_FALSE(graph->engine().isRunning());
}

}  // namespace
}  // namespace orvak
