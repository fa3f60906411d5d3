// On-device speech recognition: one loaded model, any number of utterances after each other.
// An utterance is a `RecognitionSession`: fed 16 kHz mono audio as it is heard, it gives back
// partial results (the words so far, each replacing the last) and, at the end, the final text.
//
// The phrases a recogniser is made with are the ones it should prefer: the voice commands. How
// far it can prefer them depends on the engine (pocketsphinx: a grammar search of the phrases runs
// beside general dictation; see makePocketsphinxRecognizer).
#pragma once

#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/audio_device.h"

namespace orvak::platform {

struct RecognizerError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct RecognitionResult {
  std::string text;
  bool isFinal = false;
  bool operator==(const RecognitionResult&) const = default;
};

// One utterance. Used from one thread at a time.
class RecognitionSession {
 public:
  virtual ~RecognitionSession() = default;
  // Adds samples in the recogniser's format; returns the results that became available.
  virtual std::vector<RecognitionResult> feed(std::span<const float> samples) = 0;
  // Ends the input; returns the remaining results, the final ones last. Feeding afterwards does
  // nothing.
  virtual std::vector<RecognitionResult> finish() = 0;
};

class Recognizer {
 public:
  virtual ~Recognizer() = default;
  // The audio it wants: mono at its rate.
  virtual AudioFormat format() const = 0;
  // Starts an utterance; throws RecognizerError when it cannot.
  virtual std::unique_ptr<RecognitionSession> begin() = 0;
};

// Where Debian's pocketsphinx-en-us puts the US English model.
struct PocketsphinxModel {
  std::string acousticModel = "/usr/share/pocketsphinx/model/en-us/en-us";
  std::string languageModel = "/usr/share/pocketsphinx/model/en-us/en-us.lm.bin";
  std::string dictionary = "/usr/share/pocketsphinx/model/en-us/cmudict-en-us.dict";
};

// Pocketsphinx at 16 kHz. Each utterance runs two searches over the same audio: a grammar of
// `phrases` (the command phrases; words the dictionary lacks are left out of it) and general
// dictation. Partial results come from dictation; the final text is the grammar's phrase when the
// audio fits it about as well as dictation's words do, else dictation's. Throws RecognizerError
// when the model cannot be loaded. Sessions keep the recogniser alive.
std::shared_ptr<Recognizer> makePocketsphinxRecognizer(const std::vector<std::string>& phrases,
                                                       const PocketsphinxModel& model = {});

}  // namespace orvak::platform
