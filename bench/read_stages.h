// The stages from the text reaching the player to the first sample heard, read off a read's
// timing record and summed over the timed reads, so the benches that time a read the same way
// report the same counters (milliseconds, means).
#pragma once

#include <benchmark/benchmark.h>

#include "core/speech/read_timing.h"

namespace orvak::bench {

struct ReadStages {
  double toSpeak = 0, prep = 0, synth = 0, sched = 0, output = 0;
  int reads = 0;

  // `r` must hold the first sample's time.
  void add(const ReadTiming& r) {
    toSpeak += r.captureDoneMs.value_or(0);
    prep += r.requestSentMs.value_or(0) - r.captureDoneMs.value_or(0);
    synth += r.firstByteMs.value_or(0) - r.requestSentMs.value_or(0);
    sched += r.firstAudioScheduledMs.value_or(0) - r.firstByteMs.value_or(0);
    output += *r.firstAudioSampleMs - r.firstAudioScheduledMs.value_or(0);
    reads += 1;
  }
  // The mean of `sum` over the reads added.
  double mean(double sum) const { return sum / reads; }
  // to_speak_ms, prep_ms, first_synth_ms, schedule_ms, output_ms; nothing when no read was added.
  void report(benchmark::State& state) const {
    if (reads == 0) return;
    state.counters["to_speak_ms"] = mean(toSpeak);
    state.counters["prep_ms"] = mean(prep);
    state.counters["first_synth_ms"] = mean(synth);
    state.counters["schedule_ms"] = mean(sched);
    state.counters["output_ms"] = mean(output);
  }
};

}  // namespace orvak::bench
