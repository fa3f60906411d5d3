// orvak-dev synth TEXT OUT.wav [--voice ID]: one sentence through the on-device engine alone.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>

#include "core/dispatch.h"
#include "speech/apple_voice_engine.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

namespace {

class Collect final : public SpeechSink {
 public:
  void ttsConnected(bool) override {}
  void ttsRequestSent(int) override {}
  void ttsAudio(std::vector<float> samples, double sampleRate, std::optional<int>) override {
    std::lock_guard lock(mutex_);
    rate_ = sampleRate;
    samples_.insert(samples_.end(), samples.begin(), samples.end());
  }
  void ttsWords(std::vector<WordTiming> words, std::optional<int>) override {
    std::lock_guard lock(mutex_);
    words_.insert(words_.end(), words.begin(), words.end());
  }
  void ttsFinished() override {
    std::lock_guard lock(mutex_);
    finished_ = true;
    cv_.notify_all();
  }
  void ttsError(const std::string& message) override { std::fprintf(stderr, "error: %s\n", message.c_str()); }

  bool wait(double seconds) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return finished_; });
  }

  std::vector<float> samples_;
  std::vector<WordTiming> words_;
  double rate_ = 22050;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool finished_ = false;
};

void writeWav(const std::string& path, const std::vector<float>& samples, double rate) {
  std::ofstream out(path, std::ios::binary);
  if (!out) throw std::runtime_error("cannot write " + path);
  auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
  const auto sr = static_cast<std::uint32_t>(rate);
  out.write("RIFF", 4);
  u32(36 + bytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(sr);
  u32(sr * 2);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(bytes);
  for (float s : samples) u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(s, -1.0f, 1.0f) * 32767)));
}

}  // namespace

int runSynth(const Args& args) {
  std::string text, outPath, voice;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--voice" && i + 1 < args.size()) {
      voice = args[++i];
    } else if (text.empty()) {
      text = args[i];
    } else if (outPath.empty()) {
      outPath = args[i];
    }
  }
  if (text.empty() || outPath.empty()) {
    std::fprintf(stderr, "usage: orvak-dev synth TEXT OUT.wav [--voice ID]\n");
    return 2;
  }
  auto engine = AppleVoiceEngine::make(voice);
  auto sink = std::make_shared<Collect>();
  engine->setSink(sink);
  const auto start = dispatch::monotonicNanos();
  engine->prepare();
  engine->send(text, 0, true);
  if (!sink->wait(60)) {
    std::fprintf(stderr, "synthesis did not finish\n");
    return 1;
  }
  const double took = static_cast<double>(dispatch::monotonicNanos() - start) / 1e9;
  writeWav(outPath, sink->samples_, sink->rate_);
  const double seconds = static_cast<double>(sink->samples_.size()) / sink->rate_;
  std::printf("%s: %.2f s of audio at %.0f Hz, written in %.3f s (voice %s)\n", outPath.c_str(), seconds, sink->rate_,
              took, engine->voice().c_str());
  for (const auto& w : sink->words_) std::printf("%8.3f %8.3f  %s\n", w.start, w.end, w.word.c_str());
  return 0;
}

}  // namespace orvak::dev
