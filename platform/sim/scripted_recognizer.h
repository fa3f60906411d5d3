// A recogniser for tests: each utterance plays the next script, a timeline of results placed by
// the seconds of audio heard so far, so partials arrive as the audio does. Remaining results come
// out at `finish`. It records what each utterance was fed.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/recognizer.h"

namespace orvak::platform {

struct ScriptedResult {
  double atSeconds = 0;  // of audio fed to the utterance
  std::string text;
  bool isFinal = false;
};

using RecognitionScript = std::vector<ScriptedResult>;

// What one utterance was given.
struct ScriptedUtterance {
  std::size_t samples = 0;
  bool finished = false;
};

class ScriptedRecognizer final : public Recognizer {
 public:
  // Utterances past the last script hear nothing. A `format` that is not valid stands for a
  // recogniser that offers no usable audio format.
  explicit ScriptedRecognizer(std::vector<RecognitionScript> scripts, AudioFormat format = AudioFormat::mono(16000));

  AudioFormat format() const override { return format_; }
  std::unique_ptr<RecognitionSession> begin() override;

  // One entry per utterance begun, in order.
  std::vector<ScriptedUtterance> utterances() const;

 private:
  AudioFormat format_;
  mutable std::mutex mutex_;
  std::deque<RecognitionScript> scripts_;
  std::shared_ptr<std::mutex> logMutex_ = std::make_shared<std::mutex>();  // shared with the sessions
  std::shared_ptr<std::vector<ScriptedUtterance>> utterances_ = std::make_shared<std::vector<ScriptedUtterance>>();
};

}  // namespace orvak::platform
