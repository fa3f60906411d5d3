// The transcriber over the scripted recogniser, in virtual time: readiness, partial and final
// results, trimming, first words, cancelling and conversion to the recogniser's format.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/voice/transcriber.h"
#include "core/base/dispatch.h"
#include "platform/sim/scripted_recognizer.h"

namespace orvak {
namespace {

using platform::RecognitionScript;

struct TranscriberFixture : ::testing::Test {
  std::shared_ptr<Transcriber> make(std::vector<RecognitionScript> scripts,
                                    platform::AudioFormat format = platform::AudioFormat::mono(16000)) {
    recognizer = std::make_shared<platform::ScriptedRecognizer>(std::move(scripts), format);
    return Transcriber::make([this](const std::vector<std::string>& phrases) {
      madeWith = phrases;
      return recognizer;
    });
  }
  static audio::PcmBuffer seconds(double s, double rate = 16000) {
    return {audio::AudioFormat::mono(rate), std::vector<float>(static_cast<std::size_t>(s * rate), 0.01f)};
  }
  std::optional<std::string> finish(Transcriber& t, const std::shared_ptr<Transcriber::Session>& s) {
    std::optional<std::string> text;
    t.finish(s, [&](std::string x) { text = std::move(x); });
    vt.drain();
    return text;
  }

  dispatch::VirtualTime vt;
  std::shared_ptr<platform::ScriptedRecognizer> recognizer;
  std::vector<std::string> madeWith;
};

TEST_F(TranscriberFixture, NoSessionBeforePrepareAndPrepareFailuresStayNotReady) {
  auto t = make({});
  EXPECT_EQ(t->begin(), nullptr);
  vt.drain();
  EXPECT_TRUE(recognizer->utterances().empty());

  auto broken = Transcriber::make([](const std::vector<std::string>&) -> std::shared_ptr<platform::Recognizer> {
    throw platform::RecognizerError("the en-us model could not be loaded");
  });
  EXPECT_EQ(broken->prepare(), "speech assets: the en-us model could not be loaded");
  EXPECT_FALSE(broken->ready());
  EXPECT_EQ(broken->begin(), nullptr);

  auto formatless = make({}, platform::AudioFormat{});
  const auto error = formatless->prepare();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->rfind("speech assets: ", 0), 0u);
  EXPECT_FALSE(formatless->ready());
  EXPECT_FALSE(formatless->analyzerFormat().has_value());
}

TEST_F(TranscriberFixture, PrepareWarmsUpOnceWithTheContextualPhrasesFirst) {
  auto t = make({});
  EXPECT_EQ(t->prepare(), std::nullopt);
  EXPECT_TRUE(t->ready());
  EXPECT_EQ(t->analyzerFormat(), audio::AudioFormat::mono(16000));
  ASSERT_TRUE(t->prepareMs().has_value());
  ASSERT_EQ(recognizer->utterances().size(), 1u);  // the warm-up: 0.3 s of silence, finished
  EXPECT_EQ(recognizer->utterances()[0].samples, 4800u);
  EXPECT_TRUE(recognizer->utterances()[0].finished);
  ASSERT_GT(madeWith.size(), 17u);
  EXPECT_EQ(std::vector<std::string>(madeWith.begin(), madeWith.begin() + 17), Transcriber::contextualPhrases());
  EXPECT_EQ(Transcriber::contextualPhrases().front(), "highlight that");
  EXPECT_EQ(Transcriber::contextualPhrases().back(), "what does that mean");
  EXPECT_EQ(t->prepare(), std::nullopt);
  EXPECT_EQ(recognizer->utterances().size(), 1u);
}

TEST_F(TranscriberFixture, PartialsArriveWithTheAudioAndAFinalLeavesOnlyItself) {
  auto t = make({{}, {{0.1, " pa", false}, {0.2, " pause it", false}, {0.5, " Pause.", true}}});
  ASSERT_EQ(t->prepare(), std::nullopt);
  auto s = t->begin();
  ASSERT_NE(s, nullptr);
  t->feed(*s, seconds(0.25));
  vt.drain();
  EXPECT_EQ(s->volatileText(), " pause it");
  EXPECT_EQ(s->liveText(), " pause it");
  EXPECT_EQ(s->finalText(), "");
  t->feed(*s, seconds(0.3));
  vt.drain();
  EXPECT_EQ(s->volatileText(), "");
  EXPECT_EQ(s->finalText(), " Pause.");
  EXPECT_EQ(finish(*t, s), "Pause.");
}

TEST_F(TranscriberFixture, FinalsAreJoinedAsDeliveredThenTrimmed) {
  auto t = make({{}, {{0.1, " Go", true}, {0.2, " back. ", true}, {9, " please\n", true}}});
  ASSERT_EQ(t->prepare(), std::nullopt);
  auto s = t->begin();
  t->feed(*s, seconds(0.3));
  // The last final arrives only at the end of the input.
  EXPECT_EQ(finish(*t, s), "Go back.  please");
  EXPECT_EQ(s->finalText(), " Go back.  please\n");
  // A second finish has nothing more to give.
  EXPECT_EQ(finish(*t, s), "");
}

TEST_F(TranscriberFixture, FirstWordsAtIgnoresBlankResults) {
  auto t = make({});
  ASSERT_EQ(t->prepare(), std::nullopt);
  auto s = t->begin();
  s->update("   ", false);
  s->update(" ", true);
  EXPECT_FALSE(s->firstWordsAt().has_value());
  vt.advance(1.5);
  const auto now = dispatch::monotonicNanos();
  s->update(" hm", false);
  EXPECT_EQ(s->firstWordsAt(), now);
  vt.advance(1);
  s->update(" hm yes", true);
  EXPECT_EQ(s->firstWordsAt(), now);
}

TEST_F(TranscriberFixture, ACancelledSessionReturnsAtOnceAndHearsNothingMore) {
  auto t = make({{}, {{0.1, " stop", false}, {0.2, " Stop.", true}}});
  ASSERT_EQ(t->prepare(), std::nullopt);
  auto s = t->begin();
  t->feed(*s, seconds(0.15));
  t->cancel(s);  // nothing has run yet: the call does not wait for recognition
  EXPECT_EQ(recognizer->utterances().size(), 1u);
  vt.drain();
  ASSERT_EQ(recognizer->utterances().size(), 2u);
  const auto heard = recognizer->utterances()[1].samples;
  t->feed(*s, seconds(0.5));
  EXPECT_EQ(finish(*t, s), "");
  EXPECT_EQ(recognizer->utterances()[1].samples, heard);
  EXPECT_FALSE(recognizer->utterances()[1].finished);
  EXPECT_EQ(s->finalText(), "");

  // Dropping a session with work still queued for it is safe.
  auto dropped = t->begin();
  t->feed(*dropped, seconds(0.3));
  dropped.reset();
  vt.drain();
}

TEST_F(TranscriberFixture, BuffersInAnotherFormatAreConvertedWithinTheConverterCapacity) {
  EXPECT_EQ(Transcriber::converterCapacity(48000, 480, 16000), 192u);
  EXPECT_EQ(Transcriber::converterCapacity(44100, 441, 16000), 192u);
  EXPECT_EQ(Transcriber::converterCapacity(16000, 160, 16000), 192u);

  auto t = make({{}, {}});
  ASSERT_EQ(t->prepare(), std::nullopt);
  auto s = t->begin();
  t->feed(*s, seconds(0.1));  // already 16 kHz: passes whole
  vt.drain();
  EXPECT_EQ(recognizer->utterances()[1].samples, 1600u);
  for (int i = 0; i < 100; ++i) t->feed(*s, seconds(0.01, 48000));  // one second at 48 kHz
  vt.drain();
  const auto converted = recognizer->utterances()[1].samples - 1600;
  EXPECT_LE(converted, 16000u);
  EXPECT_GE(converted, 16000u - 32);  // only the converter's look-ahead is held back
}

}  // namespace
}  // namespace orvak
