// Voice commands: from the hotkey's hold (an onset on the simulated microphone's listener) to the
// read being paused on its own queue, the `pauseMs` of a voice timing record. Goal: under 30 ms.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/audio/audio_graph.h"
#include "app/voice/voice_controller.h"
#include "core/base/dispatch.h"
#include "platform/audio_device.h"
#include "platform/dictionary.h"
#include "platform/sim/scripted_recognizer.h"
#include "platform/sim/sim_audio_input.h"

namespace {

using namespace orvak;

// A read whose pause and resume run synchronously on a serial queue of its own, as the player's do.
class QueuedRead final : public VoicePlayer {
 public:
  std::shared_ptr<dispatch::Queue> q = dispatch::makeQueue("orvak.player");
  std::atomic<int> pauses{0}, resumes{0};

  bool hasEnded() const override {
    return q->syncValue([] { return false; });
  }
  bool isPlaying() const override {
    return q->syncValue([] { return true; });
  }
  float currentSpeed() const override { return 1; }
  std::optional<ReadMoment> commandPause(std::uint64_t) override {
    return q->syncValue([this] {
      ++pauses;
      return std::optional<ReadMoment>(ReadMoment{3, "A sentence.", 3, 0.5, 3});
    });
  }
  void commandResume(std::optional<int>) override {
    q->sync([this] { ++resumes; });
  }
  std::optional<ReadContext> askContext(const std::optional<ReadMoment>&) const override { return std::nullopt; }
  std::optional<int> sentence(std::string_view) const override { return std::nullopt; }
  std::optional<std::string> paragraph(int) const override { return std::nullopt; }
  void skipParagraph(int, bool) override {}
  std::optional<int> spokenFrom() const override { return 0; }
  void setOnPlaybackStarted(std::function<void()>) override {}
  void setOnPlaybackEnded(std::function<void()>) override {}
  void backPastStart() override {}
  ReadSource source() const override { return {}; }
  std::string engineLabel() const override { return "bench"; }
};

class NoDictionary final : public platform::Dictionary {
 public:
  std::optional<std::string> entry(std::string_view) override { return std::nullopt; }
};

template <class F>
bool waitFor(F done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::yield();
  }
  return true;
}

void BM_HoldToPaused(benchmark::State& state) {
  VoiceController::Wiring w;
  w.listener =
      Listener::make({std::make_unique<platform::SimAudioInput>(48000), nullptr, {}, [](const std::string&) {}});
  auto recognizer = std::make_shared<platform::ScriptedRecognizer>(std::vector<platform::RecognitionScript>{});
  w.transcriber = Transcriber::make([recognizer](const std::vector<std::string>&) { return recognizer; });
  w.graph = AudioGraph::make(platform::makeNullAudioDevice(), [](const std::string&) {});
  w.dictionary = std::make_shared<NoDictionary>();
  w.othersRecording = [] { return std::vector<std::string>{}; };
  w.outputDeviceName = [] { return std::string("bench"); };
  w.voiceLog = std::filesystem::temp_directory_path() / "orvak_voice_bench.jsonl";
  w.log = [](const std::string&) {};
  auto voice = VoiceController::make(std::move(w));
  voice->setup([](std::optional<std::string>) {});
  if (!waitFor([&] { return voice->ready(); })) {
    state.SkipWithError("recognition did not get ready");
    return;
  }
  auto read = std::make_shared<QueuedRead>();
  voice->attach(read);
  for (auto _ : state) {
    const int before = read->pauses.load();
    const auto start = std::chrono::steady_clock::now();
    voice->holdDown(false, false);
    if (!waitFor([&] { return read->pauses.load() > before; })) {
      state.SkipWithError("the read was not paused");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    const int resumed = read->resumes.load();
    voice->holdUp(true);
    waitFor([&] { return read->resumes.load() > resumed; });
    dispatch::mainloop::drain();
  }
  std::filesystem::remove(std::filesystem::temp_directory_path() / "orvak_voice_bench.jsonl");
}
BENCHMARK(BM_HoldToPaused)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
