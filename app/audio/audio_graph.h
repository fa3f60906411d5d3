// The one audio graph of the process. Everything that makes sound goes through it: the reading
// player's sentence audio on the speech node through the rate unit, spoken answers and cue sounds
// on two nodes of their own. It records which object owns the speech path and stops the engine
// some time after the last user let go, so an idle program holds no audio device.
//
// Graph once built: node -> pitch -> main mixer in `format()` (mono at `sampleRate()`);
// earconNode -> main mixer and cueNode -> main mixer, both in `earconFormat()` (mono, 44,100 Hz).
// Clips (spoken answers, definitions, voice previews) queue on the earcon node; cue sounds play on
// the cue node, so a cue is mixed over a clip and never cuts it short.
//
// Every operation that touches the graph's wiring or its state (ensure, idle stop, forced
// rebuild, cue scheduling, and the reads of sampleRate, format and micAttached) runs under one
// lock, so callers on different queues never see a half-built graph. Node completions must not
// call back into the graph synchronously (they hop to a queue).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/audio/audio_engine.h"
#include "app/audio/player_node.h"
#include "app/audio/time_pitch.h"
#include "core/base/dispatch.h"
#include "platform/audio_device.h"

namespace orvak {

class AudioGraph : public std::enable_shared_from_this<AudioGraph> {
 public:
  using LogLine = std::function<void(const std::string&)>;

  // The process's graph, created on first use on the automatically chosen output device and
  // never destroyed.
  static AudioGraph& shared();
  // A graph of its own on `device` (tests, tools); `log` defaults to the text log.
  static std::shared_ptr<AudioGraph> make(std::unique_ptr<platform::AudioDevice> device, LogLine log = {});

  AudioGraph(const AudioGraph&) = delete;
  AudioGraph& operator=(const AudioGraph&) = delete;

  audio::AudioEngine& engine() { return *engine_; }
  const std::shared_ptr<audio::PlayerNode>& node() const { return node_; }
  const std::shared_ptr<audio::TimePitch>& pitch() const { return pitch_; }
  const std::shared_ptr<audio::PlayerNode>& earconNode() const { return earconNode_; }
  const std::shared_ptr<audio::PlayerNode>& cueNode() const { return cueNode_; }
  // Mono at 44,100 Hz: the format of every clip and cue sound.
  static audio::AudioFormat earconFormat() { return audio::AudioFormat::mono(44100); }

  // The rate the speech path is connected at; 0 until built, and after an idle stop or a forced
  // rebuild, which makes the next `ensure` rebuild.
  double sampleRate() const;
  // The speech path's format; absent until the first build.
  std::optional<audio::AudioFormat> format() const;
  bool micAttached() const;
  void setMicAttached(bool attached);

  // Makes `who` the owner of the speech path (the last claimer wins) and cancels a pending idle
  // stop. Only the identity is kept.
  void claim(const void* who);
  // When `who` owns the path: gives it up, stops the speech node and arms the idle stop after
  // `idleAfter` seconds on `queue`. Anyone else changes nothing.
  void release(const void* who, double idleAfter, dispatch::Queue& queue);
  // Runs `action` under the graph's lock when `who` owns the speech path; true when it ran. An
  // owner undoes its own settings this way without racing a newer claimer.
  bool ifOwner(const void* who, const std::function<void()>& action);
  // Arms the idle stop after `after` seconds on `queue`, replacing a pending one, whoever owns the
  // path; the stop itself does nothing while there is an owner.
  void releaseIfIdle(double after, dispatch::Queue& queue);
  // Plays `samples` (mono, 44,100 Hz) on the cue node after what it is playing; `done` runs once
  // on the main queue when the clip has been heard, or at once (still later, on the main queue)
  // when it cannot be played.
  void queueClip(std::vector<float> samples, std::function<void()> done);
  // Makes sure the engine runs with the speech path connected at `rate` Hz; returns the
  // milliseconds that took (0 when nothing had to be done). A rate that is not positive and
  // finite is taken as 24,000 Hz.
  double ensure(double rate);
  // Stops the engine and forgets the rate, so that the next `ensure` rebuilds the whole graph
  // (after the output device changed, or once the microphone is wired in).
  void forceRebuild();
  // Drops every clip `queueClip` scheduled (their completions run); cue sounds play on.
  void stopClips();
  // Replaces the cue sound the cue node plays with `samples` (mono, 44,100 Hz): stop, schedule,
  // play. Clips on the earcon node are left alone. False, and nothing played, when the engine is
  // not running or there are no samples.
  bool playCue(std::span<const float> samples);

  // Calls `observer` on the main queue each time the output device was replaced or reconfigured
  // under the graph: the graph must be rebuilt for sound to go on. Observers last as long as the
  // graph.
  void addReconfigurationObserver(std::function<void()> observer);

 private:
  struct Reconfigurations;
  AudioGraph(std::unique_ptr<platform::AudioDevice> device, LogLine log);
  void idleStop(std::uint64_t generation);
  void armIdleStopLocked(double after, dispatch::Queue& queue);
  void cancelIdleStopLocked();

  std::unique_ptr<audio::AudioEngine> engine_;
  std::shared_ptr<audio::PlayerNode> node_ = std::make_shared<audio::PlayerNode>();
  std::shared_ptr<audio::TimePitch> pitch_ = std::make_shared<audio::TimePitch>();
  std::shared_ptr<audio::PlayerNode> earconNode_ = std::make_shared<audio::PlayerNode>();
  std::shared_ptr<audio::PlayerNode> cueNode_ = std::make_shared<audio::PlayerNode>();
  LogLine log_;

  mutable std::mutex lock_;
  double sampleRate_ = 0;
  std::optional<audio::AudioFormat> format_;
  std::optional<dispatch::WorkItem> idleWork_;
  std::uint64_t idleGeneration_ = 0;  // moves on whenever the pending idle stop is cancelled
  const void* owner_ = nullptr;
  bool micAttached_ = false;
  std::shared_ptr<Reconfigurations> reconfigurations_;
};

}  // namespace orvak
