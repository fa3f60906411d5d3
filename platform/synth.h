// The system speech synthesizer: installed voices, and writing one utterance to sample buffers
// with word markers. On Linux this is espeak-ng (cheap enough to use in tests as well).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace orvak::platform {

enum class VoiceQuality { Default = 0, Enhanced = 1, Premium = 2 };

struct SynthVoice {
  std::string identifier;  // stable id to pass back to `write`
  std::string name;        // what people see
  std::string language;    // BCP-47 casing: "en-US", "en-GB", "en"
  VoiceQuality quality = VoiceQuality::Default;
};

struct SynthCallbacks {
  // One buffer of mono samples at `rate`. Return false to stop the utterance at once.
  std::function<bool(std::span<const float> samples, double rate)> onAudio;
  // A word starts at audio frame `frame` (counted from the utterance's first sample) and covers
  // [utf16Start, utf16Start + utf16Length) of the text.
  std::function<void(std::int64_t frame, int utf16Start, int utf16Length)> onWord;
};

namespace SystemSynth {

// Every installed voice.
std::vector<SynthVoice> voices();

// Writes `text` with the voice `voiceIdentifier` (empty, or unknown: the synthesizer's default),
// calling back on the calling thread as audio is produced. Blocks until the utterance is complete
// or a callback asked to stop. The synthesizer is process-wide, so calls are serialised. Returns
// false when the synthesizer could not be started (nothing was called back).
bool write(const std::string& text, const std::string& voiceIdentifier, const SynthCallbacks& callbacks);

}  // namespace SystemSynth
}  // namespace orvak::platform
