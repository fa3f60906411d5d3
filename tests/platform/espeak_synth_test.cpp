#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/synth.h"

namespace synth = orvak::platform::SystemSynth;

namespace {

std::vector<float> speak(const std::string& text, const std::string& voice) {
  std::vector<float> out;
  orvak::platform::SynthCallbacks cb;
  cb.onAudio = [&](std::span<const float> s, double) {
    out.insert(out.end(), s.begin(), s.end());
    return true;
  };
  EXPECT_TRUE(synth::write(text, voice, cb)) << voice;
  return out;
}

std::string identifierFor(const std::string& language) {
  const auto voices = synth::voices();
  const auto it = std::find_if(voices.begin(), voices.end(), [&](const auto& v) { return v.language == language; });
  return it == voices.end() ? std::string() : it->identifier;
}

}  // namespace

// The voice chosen by its listed identifier is the voice heard: each gives its own sound, and
// going back to a voice gives its sound again.
TEST(EspeakSynth, EachListedVoiceSpeaksWithItsOwnSound) {
  const std::string english = identifierFor("en-US");
  const std::string french = identifierFor("fr-FR").empty() ? identifierFor("fr") : identifierFor("fr-FR");
  ASSERT_FALSE(english.empty());
  ASSERT_FALSE(french.empty());
  const std::string text = "The quick brown fox jumps over the lazy dog, then thinks about the weather.";
  const auto a = speak(text, english);
  const auto b = speak(text, french);
  const auto fallback = speak(text, "no/such-voice");
  const auto again = speak(text, english);
  ASSERT_FALSE(a.empty());
  // The library varies an utterance slightly from one call to the next, so voices are told
  // apart by how long they take to say the same words, which differs far more between them.
  const auto apart = [](const std::vector<float>& x, const std::vector<float>& y) {
    const double lx = static_cast<double>(x.size()), ly = static_cast<double>(y.size());
    return std::abs(lx - ly) / std::max(lx, ly);
  };
  EXPECT_LT(apart(a, again), 0.03) << "the same voice twice";
  EXPECT_GT(apart(a, b), 0.06) << english << " and " << french << " sound the same";
  EXPECT_GT(apart(b, fallback), 0.06) << "an unknown voice falls back to English, not the last voice";
  EXPECT_LT(apart(a, fallback), 0.03);
}
