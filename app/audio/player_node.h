// A node that plays scheduled mono buffers, one after another, into the engine.
//
// Its sample clock tells the truth about what was heard: the engine maps every frame it hands to
// the output device back to the node's own position (through the rate unit), and the node reads
// that map at the device's played-frame count. So `playerTime(lastRenderTime())` is the node
// position the listener has reached, and a buffer's completion runs only once the device has
// played its last sample.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "app/audio/pcm_buffer.h"
#include "app/audio/time_pitch.h"

namespace orvak::audio {

// The engine's output timeline, shared with its nodes: frames the device has played since the
// engine started.
struct EngineClock {
  std::atomic<bool> running{false};
  std::atomic<std::uint64_t> played{0};
  std::atomic<double> outputRate{0};
};

class PlayerNode {
 public:
  using Completion = std::function<void()>;

  PlayerNode() = default;
  PlayerNode(const PlayerNode&) = delete;
  PlayerNode& operator=(const PlayerNode&) = delete;

  // Queues `buffer` after everything scheduled before it (a node that has run dry starts it where
  // its clock stands). `playedBack`, when given, runs exactly once: after the device has played
  // the buffer's last sample, or when the node is stopped first. It runs on the audio thread or
  // the thread that stops the node, so it should only hand work on. A buffer whose format is not
  // the node's connection format plays nothing and completes at once.
  void scheduleBuffer(PcmBuffer buffer, Completion playedBack = {});
  void play();
  // Holds the position; scheduled buffers stay.
  void pause();
  // Drops every scheduled buffer (their completions run) and sets the clock back to 0.
  void stop();
  bool isPlaying() const;

  // The engine's output time as last rendered (played frames at the output rate); absent while
  // the engine is stopped or the node is not connected.
  std::optional<AudioTime> lastRenderTime() const;
  // The node position heard at engine time `nodeTime`, in samples of the node's format, counted
  // from the last start after a stop (pauses do not count). Absent while the node is stopped.
  std::optional<AudioTime> playerTime(const AudioTime& nodeTime) const;

  // ---- Engine side ----

  // Connects the node through `pitch` in `format`, rendering at `outputRate`.
  void attach(std::shared_ptr<const EngineClock> clock, std::shared_ptr<TimePitch> pitch, const AudioFormat& format,
              double outputRate);
  // Renders `frames` output frames (mono, at the output rate) that the engine will write as
  // output frames `frameStart` onward.
  void render(float* out, std::size_t frames, std::uint64_t frameStart);
  // Takes note that the device has played `played` frames; returns the completions now due, for
  // the caller to run outside any lock.
  std::vector<Completion> advanceHeard(std::uint64_t played);

 private:
  enum class State { stopped, playing, paused };
  struct Scheduled {
    std::int64_t start = 0;
    std::vector<float> samples;
    Completion done;
    std::int64_t end() const { return start + static_cast<std::int64_t>(samples.size()); }
  };
  // Output frames [frameStart, frameEnd) carried node positions [posStart, posEnd).
  struct Segment {
    std::uint64_t frameStart = 0;
    std::uint64_t frameEnd = 0;
    double posStart = 0;
    double posEnd = 0;
  };

  void pullLocked(float* out, std::size_t count);
  double positionAtLocked(std::uint64_t frame) const;
  void pushSegmentLocked(const Segment& segment);

  mutable std::mutex mutex_;
  State state_ = State::stopped;
  std::shared_ptr<const EngineClock> clock_;
  std::shared_ptr<TimePitch> pitch_;
  AudioFormat format_;
  double outputRate_ = 0;
  bool pitchStale_ = true;
  std::deque<Scheduled> buffers_;
  std::int64_t scheduledEnd_ = 0;
  std::int64_t readPos_ = 0;   // next node sample the rate unit will take
  double outPos_ = 0;          // node position of what has been rendered
  double heardPos_ = 0;        // node position of what the device has played
  std::deque<Segment> segments_;
};

}  // namespace orvak::audio
