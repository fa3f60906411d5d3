// The on-device voice: the system synthesizer writes each sentence into sample buffers, which are
// forwarded to the sink, and its word markers become word timings. No network, no key; it never
// reports an error. Sentences are written one at a time, in the order they were sent.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/synth.h"
#include "speech/engine.h"

namespace orvak {

class OnDeviceEngine final : public SpeechEngine, public std::enable_shared_from_this<OnDeviceEngine> {
 public:
  struct VoiceChoice {
    std::string id;
    std::string name;
  };

  // An empty or unknown identifier picks the best installed English voice.
  static std::shared_ptr<OnDeviceEngine> make(const std::string& voiceIdentifier);

  // The voices offered in settings: English, best quality first, then by name.
  static std::vector<VoiceChoice> voices();
  static std::vector<VoiceChoice> voices(const std::vector<platform::SynthVoice>& installed);
  // The voice for `identifier` among `installed`: exact match, else the best English one.
  static std::optional<platform::SynthVoice> pickVoice(const std::string& identifier,
                                                       const std::vector<platform::SynthVoice>& installed);
  static std::string quality(platform::VoiceQuality q);

  Vendor vendor() const override { return Vendor::onDevice; }
  std::string label() const override;
  std::string model() const override { return "espeak-ng"; }
  std::string voice() const override;
  double sampleRate() const override { return 22050; }

  void prepare() override;
  void send(const std::string& text, int index, bool last) override;
  void cancel() override;

  explicit OnDeviceEngine(std::optional<platform::SynthVoice> voice);

 private:
  struct Pending {
    std::string text;
    int index = 0;
    bool last = false;
  };
  struct Mark {
    std::int64_t frame = 0;
    int start = 0;   // UTF-16 units
    int length = 0;  // UTF-16 units
  };
  // The utterance being written.
  struct Utt {
    Pending sentence;
    std::uint64_t generation = 0;
    std::int64_t frames = 0;
    double rate = 22050;
    std::vector<Mark> marks;
    bool ended = false;
  };

  void pump();
  void finish(const std::shared_ptr<Utt>& utt);
  void schedulePump();

  const std::optional<platform::SynthVoice> voice_;
  std::mutex lock_;
  std::deque<Pending> queue_;
  bool busy_ = false;
  std::uint64_t run_ = 0;
  std::shared_ptr<Utt> current_;
};

// Word timings for one written utterance: a word lasts from its marker to the next one, the last
// to the end of the audio. Ranges are clamped to the text and to whole characters; empty words
// are skipped.
std::vector<WordTiming> wordTimingsFromMarks(const std::string& text, const std::vector<std::int64_t>& frames,
                                             const std::vector<std::pair<int, int>>& utf16Ranges,
                                             std::int64_t totalFrames, double rate);

}  // namespace orvak
