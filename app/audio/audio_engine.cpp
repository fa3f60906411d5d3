#include "app/audio/audio_engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

namespace orvak::audio {

namespace {
// 10 ms at the output rate.
constexpr std::size_t kCycleFrames = static_cast<std::size_t>(AudioEngine::kOutputFormat.sampleRate / 100);
}  // namespace

void MainMixer::setOutputVolume(float volume) {
  if (std::isnan(volume)) return;
  volume_.store(std::clamp(volume, 0.0f, 1.0f));
}

AudioEngine::AudioEngine(std::unique_ptr<platform::AudioDevice> device, double writeDeadlineSec)
    : device_(std::move(device)), writeDeadlineSec_(writeDeadlineSec) {
  clock_->outputRate.store(kOutputFormat.sampleRate);
  mono_.resize(kCycleFrames);
  mix_.resize(kCycleFrames);
  interleaved_.resize(kCycleFrames * kOutputFormat.channels);
  heard_.resize(kCycleFrames);
}

void AudioEngine::setRenderTap(std::function<void(std::span<const float> mono)> tap) {
  std::lock_guard lock(renderMutex_);
  renderTap_ = std::move(tap);
}

AudioEngine::~AudioEngine() {
  stop();
  // The render thread uses this engine: one still in the device is waited for here, at the end.
  if (thread_.joinable()) thread_.join();
}

void AudioEngine::connect(const std::shared_ptr<PlayerNode>& node, std::shared_ptr<TimePitch> pitch,
                          const AudioFormat& format) {
  if (!format.isValid() || format.channels != 1) {
    throw std::invalid_argument("audio engine: nodes play mono, not " + format.describe());
  }
  if (!pitch) pitch = std::make_shared<TimePitch>();
  node->stop();
  node->attach(clock_, pitch, format, kOutputFormat.sampleRate);
  std::lock_guard lock(connectionsMutex_);
  auto it = std::find_if(connections_.begin(), connections_.end(), [&](const Connection& c) { return c.node == node; });
  if (it != connections_.end()) {
    it->pitch = std::move(pitch);
  } else {
    connections_.push_back({node, std::move(pitch)});
  }
}

void AudioEngine::disconnect(const std::shared_ptr<PlayerNode>& node) {
  {
    std::lock_guard lock(connectionsMutex_);
    std::erase_if(connections_, [&](const Connection& c) { return c.node == node; });
  }
  node->stop();
  node->attach(nullptr, nullptr, {}, 0);
}

void AudioEngine::start() {
  if (isRunning()) return;
  // A render thread that ended on a device failure is still to be collected.
  if (!collectRenderThread(0)) {
    throw AudioEngineError(device_->name() + ": the device has still not taken the last sound");
  }
  if (stuck_.exchange(false)) {
    // Closed now that the write given up on returned.
    std::lock_guard lock(renderMutex_);
    device_->close();
  }
  {
    std::lock_guard lock(renderMutex_);
    try {
      device_->open(kOutputFormat);
    } catch (const platform::AudioDeviceError& e) {
      throw AudioEngineError(e.what());
    }
    written_ = 0;
    clock_->played.store(0);
    stopRequested_.store(false);
    {
      std::lock_guard failureLock(failureMutex_);
      failure_.reset();
    }
    clock_->running.store(true);
  }
  if (device_->paced()) {
    {
      std::lock_guard lock(watchMutex_);
      renderExited_ = false;
      watchStop_ = false;
    }
    thread_ = std::thread([this] {
      while (!stopRequested_.load() && isRunning()) renderCycle();
      {
        std::lock_guard lock(watchMutex_);
        renderExited_ = true;
      }
      watchCv_.notify_all();
    });
    watchdog_ = std::thread([this] { watchWrites(); });
  } else {
    if (!queue_) queue_ = dispatch::makeQueue("orvak.audio");
    timer_ = dispatch::RepeatingTimer(*queue_, static_cast<double>(kCycleFrames) / kOutputFormat.sampleRate,
                                      [this] { renderCycle(); });
  }
}

void AudioEngine::stop() {
  stopRequested_.store(true);
  timer_.cancel();
  stopWatchdog();
  if (collectRenderThread(stuck_.load() ? 0 : writeDeadlineSec_)) {
    std::lock_guard lock(renderMutex_);
    clock_->running.store(false);
    device_->close();
  } else {
    // The render thread is in the device and holds the render lock: leave both to it.
    stuck_.store(true);
    claimFailure(stalledMessage());
    clock_->running.store(false);
  }
  stopNodes();
}

bool AudioEngine::collectRenderThread(double seconds) {
  if (!thread_.joinable()) return true;
  {
    std::unique_lock lock(watchMutex_);
    if (!watchCv_.wait_for(lock, std::chrono::duration<double>(std::max(seconds, 0.0)), [&] { return renderExited_; })) {
      return false;
    }
  }
  thread_.join();
  return true;
}

void AudioEngine::stopWatchdog() {
  {
    std::lock_guard lock(watchMutex_);
    watchStop_ = true;
  }
  watchCv_.notify_all();
  if (watchdog_.joinable()) watchdog_.join();
}

// Real time on purpose, in tests too: what is watched is a device's blocking call, which virtual
// time does not move.
void AudioEngine::watchWrites() {
  const auto deadline = std::chrono::duration<double>(writeDeadlineSec_);
  const auto deadlineNs = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline).count();
  std::unique_lock lock(watchMutex_);
  while (!watchStop_ && !renderExited_) {
    watchCv_.wait_for(lock, deadline / 4);
    const std::int64_t since = writeSince_.load();
    const std::int64_t now = std::chrono::steady_clock::now().time_since_epoch().count();
    if (since == 0 || now - since < deadlineNs || watchStop_ || renderExited_) continue;
    lock.unlock();
    stuck_.store(true);
    const std::string error = stalledMessage();
    // The render lock stays with the thread in the device; the run ends without it.
    if (claimFailure(error)) {
      clock_->running.store(false);
      fail(error);
    }
    return;
  }
}

std::string AudioEngine::stalledMessage() const {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g", writeDeadlineSec_);
  return device_->name() + ": the device took no sound for " + seconds + " s (is the sound server frozen?)";
}

bool AudioEngine::claimFailure(const std::string& error) {
  std::lock_guard lock(failureMutex_);
  if (failure_) return false;
  failure_ = error;
  return true;
}

double AudioEngine::presentationLatency() const { return isRunning() ? device_->latencySeconds() : 0.0; }

std::string AudioEngine::deviceName() const { return device_->name(); }

std::optional<std::string> AudioEngine::failure() const {
  std::lock_guard lock(failureMutex_);
  return failure_;
}

std::vector<std::shared_ptr<PlayerNode>> AudioEngine::connectedNodes() const {
  std::lock_guard lock(connectionsMutex_);
  std::vector<std::shared_ptr<PlayerNode>> nodes;
  nodes.reserve(connections_.size());
  for (const auto& c : connections_) nodes.push_back(c.node);
  return nodes;
}

void AudioEngine::stopNodes() {
  for (const auto& node : connectedNodes()) node->stop();
}

void AudioEngine::renderCycle() {
  std::vector<PlayerNode::Completion> due;
  std::string failure;
  {
    std::lock_guard lock(renderMutex_);
    if (!isRunning()) return;
    const auto nodes = connectedNodes();
    std::fill(mix_.begin(), mix_.end(), 0.0f);
    for (const auto& node : nodes) {
      node->render(mono_.data(), kCycleFrames, written_);
      for (std::size_t i = 0; i < kCycleFrames; ++i) mix_[i] += mono_[i];
    }
    const float volume = mixer_.outputVolume();
    const std::uint32_t channels = kOutputFormat.channels;
    for (std::size_t i = 0; i < kCycleFrames; ++i) {
      const float v = mix_[i] * volume;
      heard_[i] = v;
      for (std::uint32_t c = 0; c < channels; ++c) interleaved_[i * channels + c] = v;
    }
    if (renderTap_) renderTap_(heard_);
    try {
      if (device_->paced()) writeSince_.store(std::chrono::steady_clock::now().time_since_epoch().count());
      device_->write(interleaved_);
      writeSince_.store(0);
      written_ += kCycleFrames;
      const std::uint64_t played = device_->framesPlayed();
      clock_->played.store(played);
      for (const auto& node : nodes) {
        auto ready = node->advanceHeard(played);
        for (auto& c : ready) due.push_back(std::move(c));
      }
    } catch (const platform::AudioDeviceError& e) {
      writeSince_.store(0);
      if (claimFailure(e.what())) failure = e.what();
      clock_->running.store(false);
    }
  }
  for (auto& c : due) c();
  if (!failure.empty()) fail(failure);
}

void AudioEngine::fail(const std::string& error) {
  stopNodes();
  if (onFailure) onFailure(error);
}

}  // namespace orvak::audio
