#include "app/audio/sample_player.h"

namespace orvak::audio {
namespace {
// Any rate serves: samples play on the cue node, which runs at its own rate.
constexpr double kStartRate = 24000;
}  // namespace

bool SamplePlayer::play(std::vector<float> samples, std::function<void()> heard) {
  if (samples.empty()) return false;
  stop();
  if (!graph_.engine().isRunning()) graph_.ensure(kStartRate);
  if (!graph_.engine().isRunning()) return false;
  const double seconds = static_cast<double>(samples.size()) / AudioGraph::earconFormat().sampleRate;
  // An idle stop armed before (after a read ended) must not cut the sample short.
  graph_.releaseIfIdle(seconds + kIdleAfter, dispatch::main());
  const std::uint64_t mine = ++*generation_;
  graph_.queueClip(std::move(samples), [weak = graph_.weak_from_this(), generation = generation_, mine,
                                        heard = std::move(heard)] {
    auto graph = weak.lock();
    if (graph && generation->load() == mine) graph->releaseIfIdle(kIdleAfter, dispatch::main());
    if (heard) heard();
  });
  return true;
}

void SamplePlayer::stop() { graph_.earconNode()->stop(); }

}  // namespace orvak::audio
