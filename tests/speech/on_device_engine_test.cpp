#include "speech/on_device_engine.h"

#include <gtest/gtest.h>


#include "core/base/dispatch.h"
#include "tests/speech/recording_sink.h"

using namespace orvak;
using platform::SynthVoice;
using platform::VoiceQuality;

namespace {

using test::RecordingSink;
using Kind = test::SinkEvent::Kind;

int count(const RecordingSink& sink, Kind kind, std::optional<int> sentence = std::nullopt) {
  int n = 0;
  for (const auto& e : sink.events()) n += e.kind == kind && (!sentence || e.sentence == sentence);
  return n;
}

// Seconds of audio delivered for `sentence`.
double seconds(const RecordingSink& sink, int sentence) {
  double frames = 0;
  double rate = 0;
  for (const auto& e : sink.of(test::SinkEvent::audio)) {
    if (e.sentence != sentence) continue;
    frames += static_cast<double>(e.samples.size());
    rate = e.sampleRate;
  }
  return rate > 0 ? frames / rate : 0;
}

std::vector<WordTiming> words(const RecordingSink& sink, int sentence) {
  for (const auto& e : sink.of(test::SinkEvent::words)) {
    if (e.sentence == sentence) return e.timings;
  }
  return {};
}

}  // namespace

TEST(OnDeviceEngineTest, SpeaksSentencesInOrderWithTimingsInsideTheAudio) {
  dispatch::VirtualTime vt;
  auto engine = OnDeviceEngine::make("");
  auto sink = std::make_shared<RecordingSink>();
  engine->setSink(sink);
  engine->prepare();
  engine->send("The quick brown fox jumps over the lazy dog.", 0, false);
  engine->send("Then it rests.", 1, true);
  vt.drain();

  const auto events = sink->events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().kind, test::SinkEvent::connected);
  EXPECT_TRUE(events.front().reused);
  EXPECT_EQ(count(*sink, test::SinkEvent::finished), 1);
  EXPECT_EQ(events.back().kind, test::SinkEvent::finished);
  // The second sentence starts only after the first one's end was handled.
  std::vector<std::string> firstOfEach;
  for (const auto& e : events) {
    if (e.kind == test::SinkEvent::requestSent) firstOfEach.push_back("request" + std::to_string(*e.sentence));
    if (e.kind == test::SinkEvent::words) firstOfEach.push_back("words" + std::to_string(*e.sentence));
  }
  EXPECT_EQ(firstOfEach, (std::vector<std::string>{"request0", "words0", "request1", "words1"}));

  for (int s : {0, 1}) {
    const auto w = words(*sink, s);
    ASSERT_FALSE(w.empty()) << s;
    const double total = seconds(*sink, s);
    for (std::size_t i = 0; i < w.size(); ++i) {
      EXPECT_LE(w[i].start, w[i].end);
      EXPECT_LE(w[i].end, total + 1e-9);
      if (i + 1 < w.size()) {
        EXPECT_DOUBLE_EQ(w[i].end, w[i + 1].start);
      }
    }
    EXPECT_DOUBLE_EQ(w.back().end, total) << "the last word ends with the sentence's audio";
  }
  EXPECT_EQ(words(*sink, 0).front().word, "The");
  EXPECT_EQ(words(*sink, 1).back().word, "rests");
}

TEST(OnDeviceEngineTest, CancelStopsDeliveryAndTheNextSentenceSpeaksNormally) {
  dispatch::VirtualTime vt;
  auto engine = OnDeviceEngine::make("");
  auto sink = std::make_shared<RecordingSink>();
  engine->setSink(sink);
  engine->prepare();
  sink->onAudio = [&] {
    if (count(*sink, test::SinkEvent::audio) == 1) engine->cancel();
  };
  engine->send("A fairly long first sentence that takes a while to write out in full.", 0, false);
  engine->send("A queued sentence that must never be heard.", 1, true);
  vt.drain();
  EXPECT_EQ(count(*sink, test::SinkEvent::audio), 1) << "nothing after the cancel";
  EXPECT_EQ(count(*sink, test::SinkEvent::words), 0);
  EXPECT_EQ(count(*sink, test::SinkEvent::finished), 0);
  EXPECT_EQ(count(*sink, test::SinkEvent::requestSent, 1), 0);

  sink->onAudio = nullptr;
  engine->send("After the cancel.", 2, true);
  vt.drain();
  EXPECT_GT(count(*sink, test::SinkEvent::audio, 2), 0);
  EXPECT_EQ(count(*sink, test::SinkEvent::words, 2), 1);
  EXPECT_EQ(count(*sink, test::SinkEvent::finished), 1);
}

TEST(OnDeviceEngineTest, DetachOnlyEndsTheReadThatAsks) {
  dispatch::VirtualTime vt;
  auto engine = OnDeviceEngine::make("");
  auto oldRead = std::make_shared<RecordingSink>();
  auto newRead = std::make_shared<RecordingSink>();
  engine->setSink(newRead);
  engine->prepare();
  engine->send("Still speaking.", 0, true);
  engine->detach(oldRead.get());  // the old read finishing late
  vt.drain();
  EXPECT_EQ(count(*newRead, test::SinkEvent::finished), 1);
  EXPECT_EQ(engine->sink(), newRead);
  engine->detach(newRead.get());
  EXPECT_EQ(engine->sink(), nullptr);
}

TEST(OnDeviceEngineTest, VoiceChoiceAndListing) {
  const std::vector<SynthVoice> installed{
      {"gmw/en-GB", "Brit", "en-GB", VoiceQuality::Default},
      {"gmw/en-US", "Zed", "en-US", VoiceQuality::Default},
      {"com.x.speech.synthesis.voice.Fred", "Fred", "en-US", VoiceQuality::Premium},
      {"eloquence.en", "Eddy", "en-US", VoiceQuality::Enhanced},
      {"enh/en-AU", "Aussie", "en-AU", VoiceQuality::Enhanced},
      {"roa/fr", "Marie", "fr-FR", VoiceQuality::Premium},
  };
  struct Case {
    std::string asked;
    std::string chosen;
  };
  const Case cases[] = {
      {"gmw/en-GB", "gmw/en-GB"},
      {"roa/fr", "roa/fr"},
      {"com.x.speech.synthesis.voice.Fred", "com.x.speech.synthesis.voice.Fred"},
      {"", "enh/en-AU"},
      {"not-installed", "enh/en-AU"},
  };
  for (const auto& c : cases) EXPECT_EQ(OnDeviceEngine::pickVoice(c.asked, installed)->identifier, c.chosen) << c.asked;

  const std::vector<SynthVoice> plain{{"b", "Bee", "en-GB", VoiceQuality::Default},
                                      {"a", "Zed", "en-US", VoiceQuality::Default}};
  EXPECT_EQ(OnDeviceEngine::pickVoice("", plain)->identifier, "a") << "en-US first at equal quality";
  EXPECT_FALSE(OnDeviceEngine::pickVoice("", {{"roa/fr", "Marie", "fr-FR", VoiceQuality::Default}}));

  const auto listed = OnDeviceEngine::voices(installed);
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].name, "Aussie (enhanced, en-AU)");
  EXPECT_EQ(listed[1].name, "Brit (default, en-GB)");
  EXPECT_EQ(listed[2].name, "Zed (default, en-US)");

  OnDeviceEngine none(std::nullopt);
  EXPECT_EQ(none.label(), "On-device \u00B7 ?");
  EXPECT_EQ(none.voice(), "?");
  OnDeviceEngine zed(installed[1]);
  EXPECT_EQ(zed.label(), "On-device \u00B7 Zed");
  EXPECT_EQ(zed.voice(), "Zed (default)");
  EXPECT_EQ(zed.model(), "espeak-ng");
}

TEST(WordTimingsFromMarksTest, RangesAreClampedToWholeCharactersAndEmptyWordsSkipped) {
  // "héllo 🇫🇷 wörld": the flag is two scalars (four UTF-16 units), é and ö precomposed.
  const std::string text = "h\u00e9llo \U0001F1EB\U0001F1F7 w\u00f6rld";
  const auto words = wordTimingsFromMarks(text, {0, 100, 150, 200, 300, 900},
                                          {{0, 5}, {6, 1}, {8, 0}, {11, 5}, {40, 3}, {-3, 1}}, 1000, 100);
  ASSERT_EQ(words.size(), 3u);
  EXPECT_EQ(words[0].word, "h\u00e9llo");
  EXPECT_EQ(words[1].word, "\U0001F1EB\U0001F1F7") << "half a flag widens to the whole flag";
  EXPECT_EQ(words[2].word, "w\u00f6rld");
  EXPECT_DOUBLE_EQ(words[0].end, words[1].start);
  EXPECT_DOUBLE_EQ(words[1].end, 2.0);
  EXPECT_DOUBLE_EQ(words[2].end, 10.0) << "the last word ends with the audio";
  EXPECT_TRUE(wordTimingsFromMarks(text, {}, {}, 1000, 100).empty());
}
