// A speech engine whose output the test scripts: it records what it was sent and either stays
// silent until the test pushes audio, or (in `autoSpeak` mode) answers each sentence after a
// delay on the dispatch clock with a fixed amount of audio and evenly spaced word timings.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/dispatch.h"
#include "core/text/text.h"
#include "speech/engine.h"

namespace orvak::testing {

class ScriptedEngine final : public SpeechEngine, public std::enable_shared_from_this<ScriptedEngine> {
 public:
  struct Sent {
    std::string text;
    int index = 0;
    bool last = false;
  };
  struct Auto {
    double secondsPerSentence = 1.0;
    double latency = 0.2;  // from send to the sentence's audio
  };

  explicit ScriptedEngine(Vendor vendor = Vendor::onDevice, double rate = 24000) : vendor_(vendor), rate_(rate) {}

  Vendor vendor() const override { return vendor_; }
  std::string label() const override { return "scripted"; }
  std::string model() const override { return "scripted-model"; }
  std::string voice() const override { return "scripted-voice"; }
  double sampleRate() const override { return rate_; }

  void prepare() override {
    ++prepares;
    ++generation_;
    if (auto s = sink()) s->ttsConnected(false);
  }
  void send(const std::string& text, int index, bool last) override {
    sent.push_back({text, index, last});
    if (auto s = sink()) s->ttsRequestSent(index);
    if (!autoSpeak) return;
    const auto gen = generation_;
    std::weak_ptr<ScriptedEngine> weak = weak_from_this();
    // Sentences come back in order: each one's audio follows the previous one's.
    readyAt_ = std::max(readyAt_, dispatch::monotonicNanos()) + static_cast<std::uint64_t>(autoSpeak->latency * 1e9);
    const double after = static_cast<double>(readyAt_ - dispatch::monotonicNanos()) / 1e9;
    dispatch::global().asyncAfter(after, [weak, gen, text, index, last] {
      auto self = weak.lock();
      if (!self || self->generation_ != gen) return;
      self->speakNow(text, index, last);
    });
  }
  void cancel() override {
    ++cancels;
    ++generation_;
  }

  // ---- What the test pushes ----
  void audio(double seconds, std::optional<int> sentence, double rate = 0) {
    const double r = rate > 0 ? rate : rate_;
    if (auto s = sink()) s->ttsAudio(std::vector<float>(static_cast<std::size_t>(seconds * r), 0.25f), r, sentence);
  }
  void words(std::vector<WordTiming> w, std::optional<int> sentence) {
    if (auto s = sink()) s->ttsWords(std::move(w), sentence);
  }
  void finished() {
    if (auto s = sink()) s->ttsFinished();
  }
  void error(const std::string& message) {
    if (auto s = sink()) s->ttsError(message);
  }

  // Audio and words of one sentence, words spread evenly over its audio.
  void speakNow(const std::string& text, int index, bool last) {
    const double secs = autoSpeak ? autoSpeak->secondsPerSentence : 1.0;
    std::vector<WordTiming> w;
    std::vector<std::string> parts;
    std::string cur;
    for (char c : text) {
      if (c == ' ') {
        if (!cur.empty()) parts.push_back(cur);
        cur.clear();
      } else {
        cur.push_back(c);
      }
    }
    if (!cur.empty()) parts.push_back(cur);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const double a = secs * static_cast<double>(i) / static_cast<double>(parts.size());
      const double b = secs * static_cast<double>(i + 1) / static_cast<double>(parts.size());
      w.push_back({parts[i], a, b});
    }
    audio(secs, index);
    words(std::move(w), index);
    if (last) finished();
  }

  std::optional<Auto> autoSpeak;
  std::vector<Sent> sent;
  int prepares = 0;
  int cancels = 0;

 private:
  Vendor vendor_;
  double rate_;
  std::uint64_t generation_ = 0;
  std::uint64_t readyAt_ = 0;
};

}  // namespace orvak::testing
