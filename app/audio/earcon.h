// The three cue sounds, synthesised (no sound files): `start` when a read begins, `warn` when a
// read cannot start, `saved` when a highlight or note was stored by voice. Each is rendered once,
// on first use, as mono samples at 44,100 Hz, and is the same on every run.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/sound_player.h"

namespace orvak::Earcon {

enum class Kind { start, warn, saved };

// Whether cue sounds are played at all; the reading controller sets it from the settings.
extern std::atomic<bool> enabled;

// The sound as 32-bit float samples at 44,100 Hz.
std::vector<float> samples(Kind kind);
// The sound as rendered, before conversion to float.
const std::vector<double>& pcm(Kind kind);

// The sound in its WAV form on a player of its own, for when the audio graph's engine is not
// running (callers stop it, then play it). All three are prepared together on first use.
platform::SoundPlayer& sound(Kind kind);

// A WAV file (16-bit mono PCM at 44,100 Hz) of samples in -1 ... 1; a sample that is not a number
// is written as 0. Throws std::length_error past 2^31 - 1 samples.
std::vector<std::uint8_t> wav(std::span<const double> samples);

namespace detail {
// The summed components before the silent tail is cut and the level normalised.
std::vector<double> synthesise(Kind kind);
}  // namespace detail

}  // namespace orvak::Earcon
