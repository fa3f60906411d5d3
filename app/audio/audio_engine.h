// Our audio engine: player nodes, each through a rate unit, summed by the main mixer and pushed to
// one output device by a render loop.
//
// The render loop renders 10 ms per cycle. With a paced device (PulseAudio, null) it runs on its
// own thread and the device's blocking write sets the pace. With an unpaced one (the capture
// device) it runs as a repeating timer on a core/dispatch queue, so under `VirtualTime` a test
// advances the clock and exactly that much audio is rendered, without sleeping. (Unpaced devices
// are meant for virtual time: in real time a timer tick already under way may outlive `stop`.)
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/audio/pcm_buffer.h"
#include "app/audio/player_node.h"
#include "app/audio/time_pitch.h"
#include "core/base/dispatch.h"
#include "platform/audio_device.h"

namespace orvak::audio {

struct AudioEngineError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Sums the connected paths and scales the sum by `outputVolume` (0 silent, 1 unchanged).
class MainMixer {
 public:
  void setOutputVolume(float volume);
  float outputVolume() const { return volume_.load(); }

 private:
  std::atomic<float> volume_{1.0f};
};

class AudioEngine {
 public:
  // The format every engine renders: what the mixer hands the device.
  static constexpr platform::AudioFormat kOutputFormat{44100, 2};

  // How long a paced device's write may go without returning before the engine gives up on the
  // device: a frozen sound server must end the read with a message, not stall it.
  static constexpr double kWriteDeadlineSec = 2.0;

  explicit AudioEngine(std::unique_ptr<platform::AudioDevice> device, double writeDeadlineSec = kWriteDeadlineSec);
  ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  // Wires `node` to the main mixer in `format` (mono), through `pitch` when given (a plain rate
  // converter otherwise). Replaces an earlier connection of the same node; its scheduled buffers
  // are dropped. Throws std::invalid_argument unless `format` is mono at a positive rate.
  void connect(const std::shared_ptr<PlayerNode>& node, std::shared_ptr<TimePitch> pitch, const AudioFormat& format);
  void disconnect(const std::shared_ptr<PlayerNode>& node);

  // Opens the device and starts rendering; throws AudioEngineError when the device cannot be had
  // (also while a write given up on has still not returned).
  void start();
  // Stops rendering and lets go of the device. Every connected node is stopped, so every pending
  // completion runs. Waits for a write under way at most the write deadline: a device whose write
  // does not return by then is left to it (and closed once it returns, by the next start).
  void stop();
  bool isRunning() const { return clock_->running.load(); }
  // The device failure that stopped rendering, until the next `start`. Set before the nodes are
  // stopped, so whoever sees their buffers handed back unheard can tell why.
  std::optional<std::string> failure() const;

  MainMixer& mainMixer() { return mixer_; }
  // The output node's format: what goes to the device.
  platform::AudioFormat outputFormat() const { return kOutputFormat; }
  // Seconds from rendering a frame to hearing it (0 while stopped).
  double presentationLatency() const;
  std::string deviceName() const;

  // Called on the render thread with each cycle's mono mix as it goes to the device (after the
  // output volume), at the output rate: what the speakers play, for echo cancellation. Replaces
  // an earlier tap; an empty function removes it. The tap must not call back into the engine.
  void setRenderTap(std::function<void(std::span<const float> mono)> tap);

  // Called on the render thread when the device fails while running (the engine has stopped
  // rendering and its nodes are stopped); set before `start`.
  std::function<void(const std::string& error)> onFailure;

  // One render cycle; the loop calls it. Public for the benchmark.
  void renderCycle();

 private:
  struct Connection {
    std::shared_ptr<PlayerNode> node;
    std::shared_ptr<TimePitch> pitch;
  };
  std::vector<std::shared_ptr<PlayerNode>> connectedNodes() const;
  void stopNodes();
  void fail(const std::string& error);
  // Records the failure that ends this run; false when one is recorded already.
  bool claimFailure(const std::string& error);
  // "<device>: the device took no sound for <deadline> s (…)".
  std::string stalledMessage() const;
  // The paced render thread's supervisor: ends the run when a write outlasts the deadline.
  void watchWrites();
  void stopWatchdog();
  // Joins the render thread if it ends within `seconds`; false when it is still in the device.
  bool collectRenderThread(double seconds);

  std::unique_ptr<platform::AudioDevice> device_;
  std::shared_ptr<EngineClock> clock_ = std::make_shared<EngineClock>();
  MainMixer mixer_;
  mutable std::mutex connectionsMutex_;
  std::vector<Connection> connections_;

  // Held for a whole cycle, so `stop` never closes the device under a cycle in flight.
  std::mutex renderMutex_;
  std::uint64_t written_ = 0;
  std::vector<float> mono_;
  std::vector<float> mix_;
  std::vector<float> interleaved_;
  std::vector<float> heard_;
  std::function<void(std::span<const float>)> renderTap_;  // under renderMutex_

  mutable std::mutex failureMutex_;
  std::optional<std::string> failure_;

  std::atomic<bool> stopRequested_{false};
  std::thread thread_;

  double writeDeadlineSec_;
  // When the paced write under way began (steady-clock nanoseconds), 0 between writes.
  std::atomic<std::int64_t> writeSince_{0};
  // A write outlasted the deadline; the render thread is still in the device.
  std::atomic<bool> stuck_{false};
  std::mutex watchMutex_;
  std::condition_variable watchCv_;
  bool renderExited_ = true;  // under watchMutex_
  bool watchStop_ = false;    // under watchMutex_
  std::thread watchdog_;
  std::shared_ptr<dispatch::Queue> queue_;
  dispatch::RepeatingTimer timer_;
};

}  // namespace orvak::audio
