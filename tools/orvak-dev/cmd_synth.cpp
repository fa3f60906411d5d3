// orvak-dev synth [--vendor inworld|cartesia|apple] [--voice ID] TEXT... OUT.wav: speaks the
// sentences through the vendor's engine (made as the application makes it) into a WAV file and
// prints the word timings. The cloud vendors need their key (or, for inworld, a signed-in account);
// ORVAK_INWORLD_BASE and ORVAK_CARTESIA_BASE point them at a local server.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <filesystem>
#include <mutex>
#include <optional>

#include "core/base/dispatch.h"
#include "app/account/account.h"
#include "platform/audio_file.h"
#include "speech/engine_factory.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

namespace {

// Writes the audio to the file as it arrives; words are kept for printing.
class Collect final : public SpeechSink {
 public:
  explicit Collect(std::filesystem::path path) : path_(std::move(path)) {}

  void ttsConnected(bool reused) override { std::fprintf(stderr, "connected%s\n", reused ? " (reused)" : ""); }
  void ttsRequestSent(int sentence) override { std::fprintf(stderr, "request %d sent\n", sentence); }
  void ttsAudio(std::vector<float> samples, double sampleRate, std::optional<int>) override {
    std::lock_guard lock(mutex_);
    if (!error_.empty()) return;
    try {
      if (!wav_) {
        rate_ = sampleRate;
        wav_.emplace(path_, sampleRate);
      } else if (sampleRate != rate_) {
        throw platform::AudioFileError("the voice changed its sample rate mid-way");
      }
      wav_->append(samples);
    } catch (const platform::AudioFileError& e) {
      error_ = e.what();
      cv_.notify_all();
    }
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
  // Completes the file (an empty one when no audio came) and gives the number of samples in it.
  std::uint64_t close() {
    std::lock_guard lock(mutex_);
    if (!wav_) wav_.emplace(path_, rate_);
    const auto n = wav_->samples();
    wav_->close();
    return n;
  }

  std::vector<WordTiming> words_;
  double rate_ = 22050;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool finished_ = false;
  std::string error_;
  std::filesystem::path path_;
  std::optional<platform::WavWriter> wav_;
};

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
  EngineFactory::setVoiceProxy(Account::voiceProxy());
  auto engine = EngineFactory::make(*vendor, config);
  auto sink = std::make_shared<Collect>(outPath);
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
  const double seconds = static_cast<double>(sink->close()) / sink->rate_;
  std::printf("%s: %.2f s of audio at %.0f Hz, written in %.3f s (%s, voice %s)\n", outPath.c_str(), seconds,
              sink->rate_, took, engine->label().c_str(), engine->voice().c_str());
  for (const auto& w : sink->words_) std::printf("%8.3f %8.3f  %s\n", w.start, w.end, w.word.c_str());
  return 0;
}

}  // namespace orvak::dev
