// Spoken commands end to end on this computer: the on-device voice says a command, the simulated
// microphone carries it through the listener's push-to-talk path into pocketsphinx, and the
// transcript parses to that command.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/audio/resampler.h"
#include "app/voice/listener.h"
#include "app/voice/transcriber.h"
#include "core/base/dispatch.h"
#include "core/voice/voice_command.h"
#include "platform/sim/sim_audio_input.h"
#include "platform/synth.h"

namespace orvak {
namespace {

constexpr double kMicRate = 48000;

std::vector<float> speak(const std::string& text) {
  std::vector<float> samples;
  double rate = 0;
  platform::SynthCallbacks callbacks;
  callbacks.onAudio = [&](std::span<const float> s, double r) {
    samples.insert(samples.end(), s.begin(), s.end());
    rate = r;
    return true;
  };
  if (!platform::SystemSynth::write(text, "", callbacks) || rate <= 0) return {};
  return audio::Resampler::convert(samples, rate, kMicRate);
}

TEST(SpokenCommands, OnDeviceSpeechThroughPushToTalkParsesToTheCommandSaid) {
  auto transcriber = Transcriber::make();
  ASSERT_EQ(transcriber->prepare(), std::nullopt);

  struct Case {
    std::string said;
    VoiceCommand::Kind kind;
  };
  for (const auto& c : std::vector<Case>{{"pause", VoiceCommand::Kind::pause},
                                         {"go back", VoiceCommand::Kind::goBack},
                                         {"faster", VoiceCommand::Kind::faster}}) {
    SCOPED_TRACE(c.said);
    const auto speech = speak(c.said);
    ASSERT_FALSE(speech.empty());

    dispatch::VirtualTime vt;
    auto input = std::make_unique<platform::SimAudioInput>(kMicRate);
    auto* mic = input.get();
    auto listener = Listener::make({std::move(input), nullptr, {}, [](const std::string&) {}});
    std::shared_ptr<Transcriber::Session> session;
    listener->onAudio = [&](const audio::PcmBuffer& buffer) {
      if (session) transcriber->feed(*session, buffer);
    };
    ASSERT_EQ(listener->start(), std::nullopt);
    vt.advance(0.3);  // room noise: silence

    session = transcriber->begin();
    ASSERT_NE(session, nullptr);
    listener->beginPTT();
    mic->play(speech);
    vt.advance(static_cast<double>(speech.size()) / kMicRate + 0.4);
    listener->endPTT();
    vt.drain();

    std::optional<std::string> transcript;
    transcriber->finish(session, [&](std::string text) { transcript = std::move(text); });
    vt.drain();
    ASSERT_TRUE(transcript.has_value());
    EXPECT_EQ(VoiceCommand::parse(*transcript, true).kind(), c.kind) << "heard: " << *transcript;
  }
}

}  // namespace
}  // namespace orvak
