// How a text-to-speech engine and its consumer talk to each other.
//
// Usual order: set the sink; prepare(); send() sentences with consecutive indices from 0, the
// final one with last = true; expect ttsAudio/ttsWords per sentence and one ttsFinished; cancel()
// to stop early. An engine is reused for many reads; each read begins with prepare().
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/speech/word_timing.h"
#include "speech/vendor.h"

namespace orvak {

// What an engine reports to. Calls may come from any thread; a sink hops to its own queue and never
// calls back into the engine from inside a callback (some engines call while holding their lock).
class SpeechSink {
 public:
  virtual ~SpeechSink() = default;
  // Ready after prepare(); `reused` when a warm connection was kept.
  virtual void ttsConnected(bool reused) = 0;
  virtual void ttsRequestSent(int sentence) = 0;
  // Mono float samples in [-1, 1] at `sampleRate`; `sentence` when the engine knows it.
  virtual void ttsAudio(std::vector<float> samples, double sampleRate, std::optional<int> sentence) = 0;
  virtual void ttsWords(std::vector<WordTiming> words, std::optional<int> sentence) = 0;
  virtual void ttsFinished() = 0;
  virtual void ttsError(const std::string& message) = 0;
};

class SpeechEngine {
 public:
  virtual ~SpeechEngine() = default;

  virtual Vendor vendor() const = 0;
  virtual std::string label() const = 0;
  virtual std::string model() const = 0;
  virtual std::string voice() const = 0;
  virtual double sampleRate() const = 0;

  // The receiver of all output, held weakly: its owner keeps it alive.
  std::shared_ptr<SpeechSink> sink() const {
    std::lock_guard lock(sinkMutex_);
    return sink_.lock();
  }
  void setSink(const std::shared_ptr<SpeechSink>& sink) {
    std::lock_guard read(readMutex_);  // waits for a detach in progress to finish its cancel
    std::lock_guard lock(sinkMutex_);
    sink_ = sink;
  }

  // Begin a new read: forget the previous one and make sure the vendor can be reached.
  virtual void prepare() = 0;
  // Queue one sentence; returns at once.
  virtual void send(const std::string& text, int index, bool last) = 0;
  // Abandon the current read: queued sentences are dropped, output in flight is not delivered.
  virtual void cancel() = 0;

  // Ends the read of `owner` only: when `owner` is still this engine's sink, cancels and clears
  // the sink; when another read has since taken the engine over, leaves it alone. An old read
  // finishing must never silence a new read that prepared the same cached engine.
  void detach(const SpeechSink* owner) {
    std::lock_guard read(readMutex_);
    {
      std::lock_guard lock(sinkMutex_);
      if (sink_.lock().get() != owner) return;
      sink_.reset();
    }
    cancel();  // outside sinkMutex_: engines may read the sink while holding their own lock
  }

 private:
  // Lock order: readMutex_, then the engine's own lock, then sinkMutex_.
  std::mutex readMutex_;
  mutable std::mutex sinkMutex_;
  std::weak_ptr<SpeechSink> sink_;
};

}  // namespace orvak
