// From the trigger to the first sound of a read: the sample page captured from the simulated
// desktop (walked and cleaned by the capturer), handed to a player of its own (no controller) on
// the on-device voice, played on the null device. The
// counters break the time down (`to_speak_ms`: until the text is handed to the player, as in
// BM_DoubleTapToFirstSound); `player_ms` is what the player itself adds (preparing the text
// and sending the first sentences, then scheduling the first audio), to be compared with
// BM_FirstHalfSecondOfSpeech, the engine alone synthesising the first half second.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <variant>

#include "app/capture/capturer.h"
#include "app/player/player.h"
#include "app/prefs.h"
#include "bench/audio_probe.h"
#include "bench/read_stages.h"
#include "core/base/dispatch.h"
#include "core/base/timing.h"
#include "platform/audio_device.h"
#include "platform/defaults.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_workspace.h"
#include "speech/on_device_engine.h"

namespace {

using namespace orvak;

const char* kScene = ORVAK_SOURCE_DIR "/resources/samples/article.scene.json";

void BM_TriggerToFirstSound(benchmark::State& state) {
  const auto desktop = sim::SimDesktop::load(kScene);
  auto capturer =
      Capturer::make(desktop, std::make_shared<sim::SimWorkspace>(desktop), std::make_shared<sim::SimEvents>(desktop));
  auto graph = AudioGraph::make(platform::makeNullAudioDevice(), [](const std::string&) {});
  auto engine = OnDeviceEngine::make("");
  Prefs prefs(
      std::make_shared<platform::Defaults>(std::filesystem::temp_directory_path() / "orvak-bench-defaults.json"));
  std::optional<ReadTiming> first;
  bool ended = false;

  double walk = 0, clean = 0, toText = 0;
  bench::ReadStages stages;
  for (auto _ : state) {
    first.reset();
    ended = false;
    const auto t0 = Clock::now();
    std::optional<CaptureOutcome> outcome;
    capturer->capture(t0, [&](CaptureOutcome o) { outcome = std::move(o); });
    dispatch::mainloop::runUntil([&] { return outcome.has_value(); }, 10);
    const auto* captured = outcome ? std::get_if<Capture>(&*outcome) : nullptr;
    if (!captured) {
      state.SkipWithError("the capture failed");
      break;
    }
    auto capture = std::make_shared<const Capture>(*captured);
    ReadOptions opts;
    opts.mute = true;
    auto setup = Player::forRead(Vendor::onDevice, engine, "bench", t0, 0, opts);
    setup.speed = prefs.speed();
    setup.pronunciations = prefs.pronunciations();
    setup.graph = graph;
    auto player = Player::make(std::move(setup));
    player->onFirstAudio = [&](const ReadTiming& r) { first = r; };
    player->onEnd = [&](const ReadTiming&) { ended = true; };
    player->begin();
    player->speak(capture->clean.text, capture, capture->clean.start.offset, "top");
    dispatch::mainloop::runUntil([&] { return first.has_value() || ended; }, 10);
    player->stop("test");
    dispatch::mainloop::runUntil([&] { return ended; }, 10);
    if (!first || !first->firstAudioSampleMs) {
      state.SkipWithError("no first sound");
      break;
    }
    const ReadTiming& r = *first;
    state.SetIterationTime(*r.firstAudioSampleMs / 1000);
    walk += capture->axWalkTotalMs;
    clean += capture->cleanMs;
    toText += capture->hotkeyToTextMs;
    stages.add(r);
  }
  stages.report(state);
  if (stages.reads > 0) {
    state.counters["walk_ms"] = stages.mean(walk);
    state.counters["clean_ms"] = stages.mean(clean);
    state.counters["to_text_ms"] = stages.mean(toText);
    state.counters["player_ms"] = stages.mean(stages.prep + stages.sched);
  }
  graph->forceRebuild();
}
BENCHMARK(BM_TriggerToFirstSound)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The engine alone: from sending the page's first sentence to holding half a second of its audio.

void BM_FirstHalfSecondOfSpeech(benchmark::State& state) {
  auto engine = OnDeviceEngine::make("");
  for (auto _ : state) {
    auto sink = std::make_shared<bench::AudioProbe>(0.5);
    engine->setSink(sink);
    engine->prepare();
    const auto start = dispatch::monotonicNanos();
    engine->send("The Lens That Folded Light", 0, true);
    std::unique_lock lock(sink->mutex);
    sink->cv.wait(lock, [&] { return sink->finished; });
    const auto at = sink->markReachedAt ? sink->markReachedAt : dispatch::monotonicNanos();
    state.SetIterationTime(static_cast<double>(at - start) / 1e9);
  }
}
BENCHMARK(BM_FirstHalfSecondOfSpeech)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
