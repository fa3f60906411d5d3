// A sink that records every call in order and lets a test wait, with a bound, for what it expects.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "speech/engine.h"

namespace orvak::test {

struct SinkEvent {
  enum Kind { connected, requestSent, audio, words, finished, error };
  explicit SinkEvent(Kind k) : kind(k) {}
  Kind kind;
  bool reused = false;
  std::optional<int> sentence;
  std::vector<float> samples;
  double sampleRate = 0;
  std::vector<WordTiming> timings;
  std::string message;
};

class RecordingSink final : public SpeechSink {
 public:
  void ttsConnected(bool reused) override {
    SinkEvent e{SinkEvent::connected};
    e.reused = reused;
    add(std::move(e));
  }
  void ttsRequestSent(int sentence) override {
    SinkEvent e{SinkEvent::requestSent};
    e.sentence = sentence;
    add(std::move(e));
  }
  void ttsAudio(std::vector<float> samples, double rate, std::optional<int> sentence) override {
    SinkEvent e{SinkEvent::audio};
    e.samples = std::move(samples);
    e.sampleRate = rate;
    e.sentence = sentence;
    add(std::move(e));
    if (onAudio) onAudio();
  }
  void ttsWords(std::vector<WordTiming> words, std::optional<int> sentence) override {
    SinkEvent e{SinkEvent::words};
    e.timings = std::move(words);
    e.sentence = sentence;
    add(std::move(e));
  }
  void ttsFinished() override { add(SinkEvent{SinkEvent::finished}); }
  void ttsError(const std::string& message) override {
    SinkEvent e{SinkEvent::error};
    e.message = message;
    add(std::move(e));
  }

  std::vector<SinkEvent> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<SinkEvent> of(SinkEvent::Kind kind) const {
    std::vector<SinkEvent> out;
    for (auto& e : events()) {
      if (e.kind == kind) out.push_back(e);
    }
    return out;
  }
  std::vector<std::string> errors() const {
    std::vector<std::string> out;
    for (auto& e : of(SinkEvent::error)) out.push_back(e.message);
    return out;
  }
  // Waits until `count` events of `kind` arrived; false when `seconds` passed first.
  bool waitFor(SinkEvent::Kind kind, std::size_t count = 1, double seconds = 5) {
    return waitUntil([&](const std::vector<SinkEvent>& ev) {
      std::size_t n = 0;
      for (auto& e : ev) n += e.kind == kind ? 1 : 0;
      return n >= count;
    }, seconds);
  }
  bool waitUntil(const std::function<bool(const std::vector<SinkEvent>&)>& done, double seconds = 5) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return done(events_); });
  }
  // Called after each recorded audio chunk, outside the lock (e.g. to cancel mid-sentence). Set it
  // before the engine starts delivering.
  std::function<void()> onAudio;

  void clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
  }

 private:
  void add(SinkEvent e) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(e));
    cv_.notify_all();
  }
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<SinkEvent> events_;
};

}  // namespace orvak::test
