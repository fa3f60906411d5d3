// Rendering a text file to speech without the application: the sentences a read would send, one
// engine, and what it returns collected into a 16-bit WAV file and a words file with the time of
// every word. The developer mode "--render-voice" runs it with the natural voice.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/base/json_fwd.h"
#include "speech/engine.h"

namespace orvak::RenderVoice {

// What an engine sends, kept as one stream: samples as received, words moved to the time at
// which their sentence's audio began. Any thread.
class Collect final : public SpeechSink {
 public:
  struct State {
    std::vector<float> pcm;
    std::vector<WordTiming> words;
    double rate = 24000;
    bool done = false;
    std::optional<std::string> failed;
  };

  void ttsConnected(bool) override {}
  void ttsRequestSent(int) override {}
  void ttsAudio(std::vector<float> samples, double sampleRate, std::optional<int> sentence) override;
  void ttsWords(std::vector<WordTiming> words, std::optional<int> sentence) override;
  void ttsFinished() override;
  void ttsError(const std::string& message) override;

  State state() const;

 private:
  mutable std::mutex lock_;
  State s_;
  std::map<int, double> sentenceStart_;
};

// Mono 16-bit PCM; each sample is clamp(s, -1, 1) * 32767 cut toward zero (not a number: 0).
std::vector<std::uint8_t> wav(std::span<const float> samples, double rate);
// {"text", "seconds", "words": [{"w", "s", "e"}]}, times rounded to the millisecond.
json::Json wordsFile(const std::string& text, std::size_t samples, double rate, const std::vector<WordTiming>& words);

struct Outcome {
  int exitCode = 0;
  std::string line;  // what the mode prints
};

// Waits until `done` or `seconds` pass; true when done.
using Wait = std::function<bool(const std::function<bool()>& done, double seconds)>;

// Renders `textFile` (unreadable: the empty text) with `engine` into base.wav and base.words.json.
// A text with nothing to speak writes empty files at once. An error from the engine writes
// nothing; a render that runs out of time writes what arrived and fails all the same.
Outcome run(const std::filesystem::path& textFile, const std::filesystem::path& base,
            const std::shared_ptr<SpeechEngine>& engine, double timeout, const Wait& wait);

}  // namespace orvak::RenderVoice
