// Render cost per second of audio: speech through the rate unit plus a cue, mixed and handed to
// a device that discards it. Goal: under 2 % of one core (20 ms per iteration).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "app/audio/audio_engine.h"
#include "core/base/dispatch.h"

namespace {

using namespace orvak;

class DiscardDevice final : public platform::AudioDevice {
 public:
  std::string name() const override { return "discard"; }
  void open(const platform::AudioFormat&) override { written_ = 0; }
  void close() override {}
  void write(std::span<const float> interleaved) override { written_ += interleaved.size() / 2; }
  std::uint64_t framesPlayed() const override { return written_; }
  double latencySeconds() const override { return 0; }
  bool paced() const override { return false; }

 private:
  std::uint64_t written_ = 0;
};

void BM_RenderOneSecond(benchmark::State& state) {
  const double rate = static_cast<double>(state.range(0));
  const float speed = static_cast<float>(state.range(1)) / 100.0f;
  // Virtual time keeps the engine's own clocking idle; the benchmark drives the cycles.
  dispatch::VirtualTime vt;
  audio::AudioEngine engine(std::make_unique<DiscardDevice>());
  auto node = std::make_shared<audio::PlayerNode>();
  auto pitch = std::make_shared<audio::TimePitch>();
  auto cue = std::make_shared<audio::PlayerNode>();
  engine.connect(node, pitch, audio::AudioFormat::mono(rate));
  engine.connect(cue, nullptr, audio::AudioFormat::mono(44100));
  pitch->setRate(speed);
  engine.start();

  std::vector<float> halfSecond(static_cast<std::size_t>(rate / 2));
  for (std::size_t i = 0; i < halfSecond.size(); ++i) {
    halfSecond[i] = 0.3f * static_cast<float>(std::sin(2 * std::numbers::pi * 180 * static_cast<double>(i) / rate));
  }
  int queued = 0;
  auto topUp = [&] {
    while (queued < 8) {
      ++queued;
      node->scheduleBuffer({audio::AudioFormat::mono(rate), halfSecond}, [&] { --queued; });
    }
  };
  topUp();
  node->play();
  cue->play();
  for (auto _ : state) {
    cue->scheduleBuffer({audio::AudioFormat::mono(44100), std::vector<float>(4410, 0.1f)});
    for (int cycle = 0; cycle < 100; ++cycle) engine.renderCycle();
    topUp();
  }
  state.SetLabel("per second of audio");
  engine.stop();
}

BENCHMARK(BM_RenderOneSecond)
    ->ArgNames({"rate", "speedx100"})
    ->Args({24000, 100})
    ->Args({24000, 150})
    ->Args({44100, 100})
    ->Args({44100, 150})
    ->Unit(benchmark::kMillisecond);

}  // namespace
