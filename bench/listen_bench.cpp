// Listening: what the listener costs per second of microphone input (goal: well under 1 % of one
// core, so far under 10 ms per second), and how long recognition takes once a one-second
// command has ended (the `sttMs` of a voice timing record).
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>

#include "app/audio/resampler.h"
#include "app/voice/listener.h"
#include "app/voice/transcriber.h"
#include "core/base/dispatch.h"
#include "platform/recognizer.h"
#include "platform/sim/sim_audio_input.h"
#include "platform/synth.h"

namespace {

using namespace orvak;

void BM_ListenerPerSecondOfInput(benchmark::State& state) {
  dispatch::VirtualTime vt;
  auto listener = Listener::make({std::make_unique<platform::SimAudioInput>(48000), nullptr, {}, [](const std::string&) {}});
  if (listener->start()) {
    state.SkipWithError("listener did not start");
    return;
  }
  listener->setArmed(true);
  listener->setVadEnabled(true);
  std::size_t handed = 0;
  listener->onAudio = [&](const audio::PcmBuffer& b) { handed += b.frameLength(); };
  vt.drain();
  // A second of room noise with a spoken-level burst in the middle: detection and hand-over run.
  std::mt19937 random(1);
  std::normal_distribution<float> noise(0, 0.003f);
  std::vector<std::vector<float>> second(100, std::vector<float>(480));
  for (std::size_t c = 0; c < second.size(); ++c) {
    for (std::size_t i = 0; i < 480; ++i) {
      const bool speech = c >= 30 && c < 60;
      second[c][i] = noise(random) + (speech ? 0.2f * static_cast<float>(std::sin(2 * std::numbers::pi * 220 * static_cast<double>(c * 480 + i) / 48000)) : 0.0f);
    }
  }
  std::uint64_t host = 0;
  for (auto _ : state) {
    for (const auto& chunk : second) {
      listener->ingest(chunk, host);
      host += 10'000'000;
    }
  }
  state.counters["handedSecondsPerIteration"] = static_cast<double>(handed) / 48000 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ListenerPerSecondOfInput)->Unit(benchmark::kMicrosecond);

std::vector<float> spokenCommand() {
  std::vector<float> samples;
  double rate = 16000;
  platform::SynthCallbacks callbacks;
  callbacks.onAudio = [&](std::span<const float> s, double r) {
    samples.insert(samples.end(), s.begin(), s.end());
    rate = r;
    return true;
  };
  platform::SystemSynth::write("go back", "", callbacks);
  auto out = audio::Resampler::convert(samples, rate, 16000);
  out.resize(16000, 0.0f);  // one second
  return out;
}

void BM_RecognitionAfterOneSecondCommand(benchmark::State& state) {
  std::shared_ptr<platform::Recognizer> recognizer;
  try {
    recognizer = platform::makePocketsphinxRecognizer(Transcriber::preferredPhrases());
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  const auto command = spokenCommand();
  for (auto _ : state) {
    auto session = recognizer->begin();
    for (std::size_t at = 0; at < command.size(); at += 160) {
      session->feed(std::span<const float>(command).subspan(at, 160));
    }
    const auto start = dispatch::monotonicNanos();
    auto results = session->finish();
    state.SetIterationTime(static_cast<double>(dispatch::monotonicNanos() - start) / 1e9);
    benchmark::DoNotOptimize(results);
  }
}
BENCHMARK(BM_RecognitionAfterOneSecondCommand)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
