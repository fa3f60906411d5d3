#include "app/voice/definer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/audio/audio_graph.h"
#include "core/base/dispatch.h"
#include "platform/sim/capture_audio_device.h"
#include "tests/app/scripted_engine.h"

namespace orvak {
namespace {

using testing::ScriptedEngine;

struct DefinerFixture : ::testing::Test {
  DefinerFixture() {
    graph = AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(tape), [](const std::string&) {});
    definer = Definer::make(graph);
  }
  // Frames of the tape that carry the scripted engine's level (0.25), i.e. definer audio heard.
  long heard() const {
    const auto left = tape->channel(0);
    return std::count_if(left.begin(), left.end(), [](float s) { return std::abs(s - 0.25f) < 1e-3f; });
  }
  struct Sent {
    int index;
    bool last;
    bool operator==(const Sent&) const = default;
  };
  std::vector<Sent> sent() const {
    std::vector<Sent> out;
    for (const auto& s : engine->sent) out.push_back({s.index, s.last});
    return out;
  }

  dispatch::VirtualTime vt;
  std::shared_ptr<platform::AudioTape> tape = std::make_shared<platform::AudioTape>();
  std::shared_ptr<AudioGraph> graph;
  std::shared_ptr<Definer> definer;
  std::shared_ptr<ScriptedEngine> engine = std::make_shared<ScriptedEngine>(Vendor::onDevice, 22050);
  int done = 0;
};

TEST_F(DefinerFixture, EverySentenceGoesOutOnceAndOnlyTheFinalOneIsMarkedLast) {
  struct Case {
    const char* text;
    std::vector<Sent> expected;
  };
  const std::vector<Case> cases{
      {"One thing. Two things. Three things.", {{0, false}, {1, false}, {2, true}}},
      {"Just one sentence.", {{0, true}}},
  };
  for (const auto& c : cases) {
    engine->sent.clear();
    definer->say(c.text, engine, {}, [] {});
    EXPECT_EQ(sent(), c.expected) << c.text;
  }

  // Text arriving piece by piece: each sentence waits for the next, a blank piece changes nothing.
  engine->sent.clear();
  definer->begin(engine, {});
  definer->add("First part.");
  EXPECT_TRUE(engine->sent.empty());
  definer->add("Second part.");
  definer->add(" \n ");
  EXPECT_EQ(sent(), (std::vector<Sent>{{0, false}}));
  EXPECT_EQ(engine->sent[0].text, "First part.");
  definer->end("", [] {});
  EXPECT_EQ(sent(), (std::vector<Sent>{{0, false}, {1, true}}));
  EXPECT_EQ(engine->sent[1].text, "Second part.");
}

TEST_F(DefinerFixture, NothingToSayCompletesAtOnceAndEndWithoutARunToo) {
  definer->begin(engine, {});
  definer->end("   ", [&] { ++done; });
  EXPECT_EQ(done, 1);
  EXPECT_TRUE(engine->sent.empty());
  definer->cancel();
  definer->end("Anything.", [&] { ++done; });  // cancelled: no run to speak in
  EXPECT_EQ(done, 2);
  EXPECT_TRUE(engine->sent.empty());
}

TEST_F(DefinerFixture, EachSentenceIsOneClipAndDoneWaitsUntilAllAreHeard) {
  definer->say("Alpha one. Beta two.", engine, {}, [&] { ++done; });
  engine->audio(0.25, 0);
  engine->audio(0.25, 0);
  engine->audio(0.5, 1);
  engine->finished();
  vt.drain();
  EXPECT_EQ(done, 0);
  vt.advance(0.9);  // the first clip (0.5 s) is over, the second still plays
  EXPECT_EQ(done, 0);
  vt.advance(0.3);
  EXPECT_EQ(done, 1);
  // 22,050 Hz audio was brought to the clip rate: one second of sound in all.
  EXPECT_NEAR(heard(), 44100, 200);
}

TEST_F(DefinerFixture, AnEngineErrorEndsTheRunWithTheAudioItGave) {
  definer->say("Alpha one. Beta two.", engine, {}, [&] { ++done; });
  engine->audio(0.2, 0);
  engine->error("connection dropped");
  vt.advance(0.5);
  EXPECT_EQ(done, 1);
  EXPECT_NEAR(heard(), 0.2 * 44100, 200);
}

TEST_F(DefinerFixture, ACancelledRunLeavesNothingBehindForTheNextOne) {
  // Run A has a long clip queued when it is cancelled; its completion comes back at once and
  // must not count for run B.
  definer->say("Old answer.", engine, {}, [&] { done += 100; });
  engine->audio(2.0, 0);
  engine->finished();
  vt.advance(0.1);
  definer->cancel();
  definer->say("New answer.", engine, {}, [&] { ++done; });
  engine->audio(0.5, 0);
  engine->finished();
  vt.advance(0.3);
  EXPECT_EQ(done, 0);
  vt.advance(0.4);
  EXPECT_EQ(done, 1);
}

TEST_F(DefinerFixture, ReportsOfAnOlderRunStillOnTheirWayAreDropped) {
  // The engine reported audio and its end for run A, but they have not reached the main queue
  // when run B begins on the same engine: they must neither play in B nor end it early.
  definer->say("Old answer.", engine, {}, [&] { done += 100; });
  engine->audio(2.0, 0);
  engine->finished();
  definer->say("New answer.", engine, {}, [&] { ++done; });
  engine->audio(0.5, 0);
  vt.advance(0.2);
  EXPECT_EQ(done, 0);
  engine->finished();
  vt.advance(0.6);
  EXPECT_EQ(done, 1);
  EXPECT_NEAR(heard(), 0.5 * 44100, 200);
}

TEST(DefinerResample, DoublesTheRateByInterpolationAndRepeatsTheLastSample) {
  std::vector<float> in(1000);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<float>(i);
  const auto out = Definer::resample(in, 22050, 44100);
  ASSERT_EQ(out.size(), 2000u);
  EXPECT_FLOAT_EQ(out[1], 0.5f);
  EXPECT_FLOAT_EQ(out[1997], 998.5f);
  EXPECT_FLOAT_EQ(out[1998], 999.0f);
  EXPECT_FLOAT_EQ(out[1999], 999.0f);  // past the last input sample: it repeats

  // Left as they are: equal rates, no usable source rate, fewer than two samples.
  EXPECT_EQ(Definer::resample(in, 44100, 44100), in);
  EXPECT_EQ(Definer::resample(in, 0, 44100), in);
  EXPECT_EQ(Definer::resample({0.5f}, 22050, 44100), std::vector<float>{0.5f});
}

}  // namespace
}  // namespace orvak
