// Plays one decoded voice sample at a time on the audio graph's cue node.
//
// The graph's engine may already be running for a read: then the sample joins it as it is (a
// rebuild at another rate would cut the read). A stopped engine is started for the sample, and
// the graph's idle stop is armed again once the sample has been heard, so the engine does not
// outlive it for long.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/audio/audio_graph.h"

namespace orvak::audio {

class SamplePlayer {
 public:
  // How long the engine may stay idle after a sample before the graph stops it.
  static constexpr double kIdleAfter = 30;

  explicit SamplePlayer(AudioGraph& graph) : graph_(graph) {}
  SamplePlayer(const SamplePlayer&) = delete;
  SamplePlayer& operator=(const SamplePlayer&) = delete;

  // Plays `samples` (mono, 44,100 Hz), cutting off the sample in progress. `heard` runs once on
  // the main queue: after the device played the last sample, or once the sample was stopped.
  // False (and `heard` never runs) when there is nothing to play or the engine cannot start.
  bool play(std::vector<float> samples, std::function<void()> heard);
  // Stops the sample in progress, if any.
  void stop();

 private:
  AudioGraph& graph_;
  // Moves on with every sample started; the end of an older one leaves the idle stop alone.
  std::shared_ptr<std::atomic<std::uint64_t>> generation_ = std::make_shared<std::atomic<std::uint64_t>>(0);
};

}  // namespace orvak::audio
