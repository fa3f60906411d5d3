// orvak-dev synth [--vendor inworld|cartesia|apple] [--voice ID] TEXT... OUT.wav: speaks the
// sentences through the vendor's engine (made as the application makes it) into a WAV file and
// prints the word timings. The cloud vendors need their key (or, for inworld, a signed-in account);
// ORVAK_INWORLD_BASE and ORVAK_CARTESIA_BASE point them at a local server.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>

#include "core/base/dispatch.h"
#include "app/account/account.h"
#include "speech/engine_factory.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

namespace {

class Collect final : public SpeechSink {
 public:
  void ttsConnected(bool reused) override { std::fprintf(stderr, "connected%s\n", reused ? " (reused)" : ""); }
  void ttsRequestSent(int sentence) override { std::fprintf(stderr, "request %d sent\n", sentence); }
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
  void ttsError(const std::string& message) override {
    std::lock_guard lock(mutex_);
    error_ = message;
    cv_.notify_all();
  }

  // False when the read failed or did not finish in time.
  bool wait(double seconds) {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return finished_ || !error_.empty(); });
    return finished_ && error_.empty();
  }
  std::string error() {
    std::lock_guard lock(mutex_);
    return error_.empty() ? "synthesis did not finish" : error_;
  }

  std::vector<float> samples_;
  std::vector<WordTiming> words_;
  double rate_ = 22050;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool finished_ = false;
  std::string error_;
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
  std::vector<std::string> positional;
  std::string voice, vendorName = "apple";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--voice" && i + 1 < args.size()) {
      voice = args[++i];
    } else if (args[i] == "--vendor" && i + 1 < args.size()) {
      vendorName = args[++i];
    } else {
      positional.push_back(args[i]);
    }
  }
  const auto vendor = vendorFromRaw(vendorName);
  if (positional.size() < 2 || !vendor) {
    std::fprintf(stderr, "usage: orvak-dev synth [--vendor inworld|cartesia|apple] [--voice ID] TEXT... OUT.wav\n");
    return 2;
  }
  const std::string outPath = positional.back();
  positional.pop_back();

  EngineConfig config;
  if (!voice.empty()) {
    if (*vendor == Vendor::inworld) config.inworldVoice = voice;
    if (*vendor == Vendor::cartesia) config.cartesiaVoice = voice;
    if (*vendor == Vendor::onDevice) config.onDeviceVoice = voice;
  }
  if (*vendor == Vendor::inworld) InworldEngine::setProxy(Account::voiceProxy());
  auto engine = EngineFactory::make(*vendor, config);
  auto sink = std::make_shared<Collect>();
  sink->rate_ = engine->sampleRate();
  engine->setSink(sink);
  const auto start = dispatch::monotonicNanos();
  engine->prepare();
  for (std::size_t i = 0; i < positional.size(); ++i) {
    engine->send(positional[i], static_cast<int>(i), i + 1 == positional.size());
  }
  if (!sink->wait(120)) {
    std::fprintf(stderr, "%s\n", sink->error().c_str());
    engine->detach(sink.get());
    return 1;
  }
  const double took = static_cast<double>(dispatch::monotonicNanos() - start) / 1e9;
  writeWav(outPath, sink->samples_, sink->rate_);
  const double seconds = static_cast<double>(sink->samples_.size()) / sink->rate_;
  std::printf("%s: %.2f s of audio at %.0f Hz, written in %.3f s (%s, voice %s)\n", outPath.c_str(), seconds,
              sink->rate_, took, engine->label().c_str(), engine->voice().c_str());
  for (const auto& w : sink->words_) std::printf("%8.3f %8.3f  %s\n", w.start, w.end, w.word.c_str());
  return 0;
}

}  // namespace orvak::dev
