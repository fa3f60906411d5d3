// On-device voice: how soon the first audio arrives after `send`, and how fast synthesis runs
// compared with real time.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "core/base/dispatch.h"
#include "bench/audio_probe.h"
#include "speech/on_device_engine.h"

namespace {

using namespace orvak;

const std::string kSentence =
    "The committee met on Tuesday to review the proposal, and after a long discussion about costs, "
    "schedules and the risks of delay, it agreed to fund the first phase of the project next spring.";

using Probe = bench::AudioProbe;

void BM_SendToFirstAudio(benchmark::State& state) {
  auto engine = OnDeviceEngine::make("");
  for (auto _ : state) {
    auto probe = std::make_shared<Probe>();
    engine->setSink(probe);
    engine->prepare();
    const auto start = dispatch::monotonicNanos();
    engine->send(kSentence, 0, true);
    std::unique_lock lock(probe->mutex);
    probe->cv.wait(lock, [&] { return probe->firstAudioAt != 0; });
    state.SetIterationTime(static_cast<double>(probe->firstAudioAt - start) / 1e9);
    probe->cv.wait(lock, [&] { return probe->finished; });
  }
}
BENCHMARK(BM_SendToFirstAudio)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_RealTimeFactor(benchmark::State& state) {
  auto engine = OnDeviceEngine::make("");
  double audio = 0, wall = 0;
  for (auto _ : state) {
    auto probe = std::make_shared<Probe>();
    engine->setSink(probe);
    engine->prepare();
    const auto start = dispatch::monotonicNanos();
    engine->send(kSentence, 0, true);
    std::unique_lock lock(probe->mutex);
    probe->cv.wait(lock, [&] { return probe->finished; });
    wall += static_cast<double>(dispatch::monotonicNanos() - start) / 1e9;
    audio += probe->audioSeconds;
  }
  state.counters["real_time_factor"] = wall / audio;
  state.counters["audio_s_per_iter"] = audio / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RealTimeFactor)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
