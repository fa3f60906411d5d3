// The microphone, with the program's own speech cancelled out of it, cut into 10 ms frames whose
// levels drive an energy-based voice-activity detector. It reports where an utterance starts and
// ends and hands the utterance's audio (with a short pre-roll from before the start) to its
// owner; in push-to-talk it skips detection and hands over everything until released.
//
// The input is a record stream of its own (platform/audio_input.h): starting or reconnecting the
// microphone never stops or rebuilds the audio engine, so a read in progress plays on. Echo
// cancellation takes the engine's rendered mix as its far end; when it cannot be had the listener
// goes on without it (`voiceProcessing()` false, one "listener: " log line).
//
// Threads: the input's thread only copies samples and hops to the serial queue "orvak.listener",
// where every piece of detection state lives and `onEvent` and `onAudio` are called.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/audio/pcm_buffer.h"
#include "core/base/dispatch.h"
#include "platform/audio_hardware.h"
#include "platform/audio_input.h"
#include "platform/echo_canceller.h"

namespace orvak {

class AudioGraph;

class Listener : public std::enable_shared_from_this<Listener> {
 public:
  struct Config {
    float onsetDb = 14;         // voiced: this far above the noise floor
    float releaseDb = 8;        // keeps an utterance alive: this far above the floor
    float absFloorDb = -52;     // lowest voiced threshold; the keep-alive bound is 4 dB lower
    double hangMs = 750;        // quiet after the last voiced frame that ends an utterance
    double minSpeechMs = 120;   // shorter utterances are `tooShort`
    double maxUtteranceMs = 12000;
    double preRollMs = 350;     // audio kept from before an onset
  };

  struct Event {
    enum class Kind { onset, end, tooShort };
    Kind kind = Kind::onset;
    std::uint64_t hostNs = 0;  // onset: back-dated start of speech; end, tooShort: the deciding frame
    float db = 0;              // onset: the level of the confirming frame
    float floor = 0;           // onset: the noise floor then
    double speechMs = 0;       // end, tooShort: speech start to the last voiced frame

    static Event onset(std::uint64_t hostNs, float db, float floor) { return {Kind::onset, hostNs, db, floor, 0}; }
    static Event end(std::uint64_t hostNs, double speechMs) { return {Kind::end, hostNs, 0, 0, speechMs}; }
    static Event tooShort(std::uint64_t hostNs, double speechMs) { return {Kind::tooShort, hostNs, 0, 0, speechMs}; }
    bool operator==(const Event&) const = default;
  };

  using CancellerFactory = std::function<std::unique_ptr<platform::EchoCanceller>(double sampleRate)>;

  struct Wiring {
    std::unique_ptr<platform::AudioInput> input;
    // Whose rendered output is the echo's far end; none: no echo cancellation.
    std::shared_ptr<AudioGraph> graph;
    // Throws platform::EchoCancellerError when cancellation cannot be had; defaults to WebRTC's.
    CancellerFactory makeCanceller;
    // Defaults to the text log.
    std::function<void(const std::string&)> log;
  };

  static std::shared_ptr<Listener> make(Wiring wiring);
  static std::shared_ptr<Listener> make(Wiring wiring, Config config);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  const Config& config() const { return config_; }

  // Set by the owner before `start`; called on the listener queue.
  std::function<void(const Event&)> onEvent;
  std::function<void(const audio::PcmBuffer&)> onAudio;
  // The host time at which an injected file's first loud sample entered the input.
  std::function<void(std::uint64_t hostNs)> onInjectStart;

  // Opens the microphone; nothing, or the error text when there is no input to be had (the
  // listener stays stopped, so a later `start` tries again). Does nothing once running.
  std::optional<std::string> start();
  // Opens the input again on the current default source after a device change. A route without
  // input is logged and leaves the listener deaf until the next successful reconnect.
  void reconnect();
  void beginPTT();
  void endPTT();
  // Mixes a recorded utterance into the live input at `peakDb` peak level (a developer's test
  // hook). False, and nothing changed, when not started or the file cannot be read.
  bool injectFile(const std::filesystem::path& file, float peakDb);

  // The level a frame needs to count as voiced, and to keep an utterance alive, at `floorDb`.
  static float voicedThreshold(const Config& config, float floorDb);
  static float keepAliveThreshold(const Config& config, float floorDb);

  // The name of the default output device, "?" when it or its name cannot be read.
  static std::string outputDeviceName(platform::AudioHardware& hardware = platform::audioHardware());

  bool running() const { return running_.load(); }
  bool voiceProcessing() const { return voiceProcessing_.load(); }
  // Mono at the microphone's rate; absent until `start` succeeds.
  std::optional<audio::AudioFormat> format() const;
  // Written by the voice controller: the attached player's audio is playing.
  void setArmed(bool armed) { armed_.store(armed); }
  bool armed() const { return armed_.load(); }
  // Always-on listening allowed; queued, so it is ordered with the audio.
  void setVadEnabled(bool enabled);
  float lastDb() const { return lastDb_.load(); }
  int framesSeen() const { return framesSeen_.load(); }
  dispatch::Queue& queue() const { return *queue_; }

  // ---- On the listener queue (public for tests and the benchmark) ----
  // One chunk of microphone samples whose first sample was heard at `hostNs`.
  void ingest(std::vector<float> samples, std::uint64_t hostNs);
  // The detector, for one frame of level `db` starting at `frameNs`.
  void step(float db, std::uint64_t frameNs);
  float floorDb() const { return floorDb_; }
  bool inSpeech() const { return inSpeech_; }

 private:
  Listener(Wiring wiring, Config config);
  void receive(std::vector<float> samples, std::uint64_t hostNs);
  void deliver(const Event& event);
  void resetVAD();

  Config config_;
  std::unique_ptr<platform::AudioInput> input_;
  std::shared_ptr<AudioGraph> graph_;
  CancellerFactory makeCanceller_;
  std::function<void(const std::string&)> log_;
  std::shared_ptr<dispatch::Queue> queue_;

  std::atomic<bool> running_{false};
  std::atomic<bool> voiceProcessing_{false};
  std::atomic<bool> armed_{false};
  std::atomic<float> lastDb_{-100};
  std::atomic<int> framesSeen_{0};

  mutable std::mutex mutex_;  // the fields below, set on the caller's thread, read on the queue
  std::optional<audio::AudioFormat> format_;
  std::shared_ptr<platform::EchoCanceller> canceller_;

  // Listener queue only.
  bool ptt_ = false;
  bool vadEnabled_ = false;
  float floorDb_ = -60;
  std::deque<bool> recent_;
  bool inSpeech_ = false;
  std::uint64_t speechStartNs_ = 0;
  std::uint64_t lastVoicedNs_ = 0;
  std::deque<audio::PcmBuffer> preRoll_;
  std::size_t preRollFrames_ = 0;
  std::vector<float> frameRemainder_;
  std::uint64_t frameStartNs_ = 0;
  std::vector<float> inject_;
  std::size_t injectPos_ = 0;
  std::size_t injectLead_ = 0;
};

}  // namespace orvak
