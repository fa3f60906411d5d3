// Turns one spoken utterance into text on this computer: prepared once (the recognition model
// loaded), then one `Session` per utterance, fed the microphone buffers the listener hands over,
// and finished (for the text) or cancelled (a blip, a cancelled hold). A session holds the live
// text, finals so far then the latest partial, so that the reply window can watch words arrive.
//
// Recognition runs on the transcriber's serial queue "orvak.transcriber"; `feed` only converts to
// the recogniser's format (on the caller's thread: the listener queue) and queues the audio.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/audio/pcm_buffer.h"
#include "app/audio/resampler.h"
#include "core/base/dispatch.h"
#include "platform/recognizer.h"

namespace orvak {

class Transcriber : public std::enable_shared_from_this<Transcriber> {
 public:
  // Makes the recogniser, preferring `phrases`; throws (RecognizerError) when it cannot.
  using RecognizerFactory = std::function<std::shared_ptr<platform::Recognizer>(const std::vector<std::string>& phrases)>;

  // The phrases every session is biased towards, in order.
  static const std::vector<std::string>& contextualPhrases();
  // What the recogniser is made with: the contextual phrases, then the plain command phrases.
  static std::vector<std::string> preferredPhrases();
  // Output frames a converter may produce from `frames` at `fromRate` into `toRate`: the integer
  // part of toRate × frames / fromRate, plus 32.
  static std::size_t converterCapacity(double fromRate, std::size_t frames, double toRate);

  // `makeRecognizer` defaults to pocketsphinx with Debian's en-us model.
  static std::shared_ptr<Transcriber> make(RecognizerFactory makeRecognizer = {});

  class Session : public std::enable_shared_from_this<Session> {
   public:
    // One recognition result: a final one is appended to the finals and clears the partial; a
    // partial replaces the partial. Any thread.
    void update(const std::string& text, bool isFinal);
    // Finals so far followed by the latest partial.
    std::string liveText() const;
    std::string finalText() const;
    std::string volatileText() const;
    // Monotonic time of the first result that was not blank.
    std::optional<std::uint64_t> firstWordsAt() const;

   private:
    friend class Transcriber;
    struct Work;
    std::shared_ptr<Work> work_;                  // what the recognition tasks hold
    std::unique_ptr<audio::Resampler> converter_;  // feeder's thread only
    mutable std::mutex lock_;
    std::string finalText_;
    std::string volatileText_;
    std::optional<std::uint64_t> firstWordsAt_;
  };

  const std::string locale = "en-US";

  // Loads the model and warms it on a moment of silence; nothing, or the error text ("speech
  // assets: …"). Without a usable audio format it fails too and stays not ready. Blocks: call it
  // off the main thread. Once ready, further calls do nothing.
  std::optional<std::string> prepare();
  bool ready() const;
  std::optional<audio::AudioFormat> analyzerFormat() const;
  std::optional<double> prepareMs() const;

  // A new session; none when not ready.
  std::shared_ptr<Session> begin();
  // Adds one microphone buffer (converted to the recogniser's format when it is in another).
  // Buffers after the session ended are ignored.
  void feed(Session& session, const audio::PcmBuffer& buffer);
  // Ends the input; `done` gets the utterance's text (the finals as delivered, trimmed) on the
  // main queue. A session that was already ended gives "".
  void finish(const std::shared_ptr<Session>& session, std::function<void(std::string)> done);
  // Ends the input and drops the utterance without waiting for it.
  void cancel(const std::shared_ptr<Session>& session);

 private:
  explicit Transcriber(RecognizerFactory makeRecognizer);
  void enqueue(Session& session, std::vector<float> samples);

  RecognizerFactory makeRecognizer_;
  std::shared_ptr<dispatch::Queue> queue_;
  mutable std::mutex mutex_;
  std::shared_ptr<platform::Recognizer> recognizer_;
  std::optional<audio::AudioFormat> analyzerFormat_;
  bool ready_ = false;
  std::optional<double> prepareMs_;
};

}  // namespace orvak
