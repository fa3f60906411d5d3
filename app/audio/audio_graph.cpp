#include "app/audio/audio_graph.h"

#include <cmath>
#include <cstdio>

#include "core/base/log.h"

namespace orvak {

AudioGraph& AudioGraph::shared() {
  // Lives for the whole process: audio completions may still arrive during exit.
  static auto* graph = new std::shared_ptr<AudioGraph>(make(platform::makeOutputAudioDevice("Orvak")));
  return **graph;
}

// The observers of device changes, shared with the device's callback.
struct AudioGraph::Reconfigurations {
  std::mutex lock;
  std::vector<std::function<void()>> observers;
};

std::shared_ptr<AudioGraph> AudioGraph::make(std::unique_ptr<platform::AudioDevice> device, LogLine log) {
  if (!log) log = [](const std::string& line) { Log::write(line); };
  auto reconfigurations = std::make_shared<Reconfigurations>();
  if (device) {
    device->onReconfigured = [reconfigurations] {
      std::vector<std::function<void()>> observers;
      {
        std::lock_guard guard(reconfigurations->lock);
        observers = reconfigurations->observers;
      }
      for (auto& o : observers) dispatch::main().async(std::move(o));
    };
  }
  auto graph = std::shared_ptr<AudioGraph>(new AudioGraph(std::move(device), std::move(log)));
  graph->reconfigurations_ = std::move(reconfigurations);
  return graph;
}

void AudioGraph::addReconfigurationObserver(std::function<void()> observer) {
  std::lock_guard guard(reconfigurations_->lock);
  reconfigurations_->observers.push_back(std::move(observer));
}

AudioGraph::AudioGraph(std::unique_ptr<platform::AudioDevice> device, LogLine log)
    : engine_(std::make_unique<audio::AudioEngine>(std::move(device))), log_(std::move(log)) {
  engine_->onFailure = [log = log_](const std::string& error) { log("audio engine failed: " + error); };
}

double AudioGraph::sampleRate() const {
  std::lock_guard lock(lock_);
  return sampleRate_;
}

std::optional<audio::AudioFormat> AudioGraph::format() const {
  std::lock_guard lock(lock_);
  return format_;
}

bool AudioGraph::micAttached() const {
  std::lock_guard lock(lock_);
  return micAttached_;
}

void AudioGraph::setMicAttached(bool attached) {
  std::lock_guard lock(lock_);
  micAttached_ = attached;
}

void AudioGraph::claim(const void* who) {
  std::lock_guard lock(lock_);
  owner_ = who;
  cancelIdleStopLocked();
  idleWork_.reset();
}

void AudioGraph::release(const void* who, double idleAfter, dispatch::Queue& queue) {
  std::lock_guard lock(lock_);
  if (owner_ == nullptr || owner_ != who) return;
  owner_ = nullptr;
  node_->stop();
  armIdleStopLocked(idleAfter, queue);
}

bool AudioGraph::ifOwner(const void* who, const std::function<void()>& action) {
  std::lock_guard lock(lock_);
  if (owner_ == nullptr || owner_ != who) return false;
  action();
  return true;
}

void AudioGraph::releaseIfIdle(double after, dispatch::Queue& queue) {
  std::lock_guard lock(lock_);
  armIdleStopLocked(after, queue);
}

void AudioGraph::armIdleStopLocked(double after, dispatch::Queue& queue) {
  cancelIdleStopLocked();
  std::weak_ptr<AudioGraph> weak = weak_from_this();
  idleWork_ = queue.asyncAfter(after, [weak, generation = idleGeneration_] {
    if (auto self = weak.lock()) self->idleStop(generation);
  });
}

void AudioGraph::cancelIdleStopLocked() {
  if (idleWork_) idleWork_->cancel();
  // A stop already under way, waiting for the lock, cannot be cancelled through its work item.
  ++idleGeneration_;
}

void AudioGraph::idleStop(std::uint64_t generation) {
  // The owner check and the stop happen under one hold of the lock: a claim lands either before
  // (and the stop does nothing) or after (and its `ensure` rebuilds).
  std::lock_guard lock(lock_);
  if (generation != idleGeneration_ || owner_ != nullptr) return;
  node_->stop();
  earconNode_->stop();
  cueNode_->stop();
  engine_->stop();
  sampleRate_ = 0;
}

void AudioGraph::queueClip(std::vector<float> samples, std::function<void()> done) {
  auto finish = [done = std::move(done)] {
    if (done) dispatch::main().async(done);
  };
  std::lock_guard lock(lock_);
  if (!engine_->isRunning() || samples.empty()) {
    finish();
    return;
  }
  earconNode_->scheduleBuffer({earconFormat(), std::move(samples)}, std::move(finish));
  if (!earconNode_->isPlaying()) earconNode_->play();
}

void AudioGraph::stopClips() {
  std::lock_guard lock(lock_);
  earconNode_->stop();
}

bool AudioGraph::playCue(std::span<const float> samples) {
  std::lock_guard lock(lock_);
  if (!engine_->isRunning() || samples.empty()) return false;
  cueNode_->stop();
  cueNode_->scheduleBuffer({earconFormat(), std::vector<float>(samples.begin(), samples.end())});
  cueNode_->play();
  return true;
}

double AudioGraph::ensure(double rate) {
  if (!(std::isfinite(rate) && rate > 0)) rate = 24000;
  std::lock_guard lock(lock_);
  cancelIdleStopLocked();
  const std::uint64_t start = dispatch::monotonicNanos();
  if (rate == sampleRate_ && engine_->isRunning()) return 0;
  if (engine_->isRunning()) {
    node_->stop();
    engine_->stop();
  }
  const auto speechFormat = audio::AudioFormat::mono(rate);
  engine_->connect(node_, pitch_, speechFormat);
  engine_->connect(earconNode_, nullptr, earconFormat());
  engine_->connect(cueNode_, nullptr, earconFormat());
  format_ = speechFormat;
  sampleRate_ = rate;
  try {
    engine_->start();
  } catch (const audio::AudioEngineError& e) {
    log_(std::string("audio engine start failed: ") + e.what());
  }
  const auto elapsedMs = [&] { return static_cast<double>(dispatch::monotonicNanos() - start) / 1e6; };
  char head[96];
  std::snprintf(head, sizeof head, "audio engine (re)started @%.0f Hz running=%s mic=%s out=", rate,
                engine_->isRunning() ? "true" : "false", micAttached_ ? "true" : "false");
  log_(head + engine_->outputFormat().describe() + " in " + Log::whole(elapsedMs()) +
       " ms");
  return elapsedMs();
}

void AudioGraph::forceRebuild() {
  std::lock_guard lock(lock_);
  node_->stop();
  engine_->stop();
  sampleRate_ = 0;
}

}  // namespace orvak
