#include "app/audio/audio_engine.h"

#include <algorithm>
#include <cmath>

namespace orvak::audio {

namespace {
// 10 ms at the output rate.
constexpr std::size_t kCycleFrames = static_cast<std::size_t>(AudioEngine::kOutputFormat.sampleRate / 100);
}  // namespace

void MainMixer::setOutputVolume(float volume) {
  if (std::isnan(volume)) return;
  volume_.store(std::clamp(volume, 0.0f, 1.0f));
}

AudioEngine::AudioEngine(std::unique_ptr<platform::AudioDevice> device) : device_(std::move(device)) {
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

AudioEngine::~AudioEngine() { stop(); }

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
  if (thread_.joinable()) thread_.join();
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
    thread_ = std::thread([this] {
      while (!stopRequested_.load() && isRunning()) renderCycle();
    });
  } else {
    if (!queue_) queue_ = dispatch::makeQueue("orvak.audio", dispatch::QoS::UserInteractive);
    timer_ = dispatch::RepeatingTimer(*queue_, static_cast<double>(kCycleFrames) / kOutputFormat.sampleRate,
                                      [this] { renderCycle(); });
  }
}

void AudioEngine::stop() {
  stopRequested_.store(true);
  timer_.cancel();
  if (thread_.joinable()) thread_.join();
  {
    std::lock_guard lock(renderMutex_);
    clock_->running.store(false);
    device_->close();
  }
  stopNodes();
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
      device_->write(interleaved_);
      written_ += kCycleFrames;
      const std::uint64_t played = device_->framesPlayed();
      clock_->played.store(played);
      for (const auto& node : nodes) {
        auto ready = node->advanceHeard(played);
        for (auto& c : ready) due.push_back(std::move(c));
      }
    } catch (const platform::AudioDeviceError& e) {
      failure = e.what();
      {
        std::lock_guard failureLock(failureMutex_);
        failure_ = failure;
      }
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
