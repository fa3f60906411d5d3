#include "platform/sim/sim_audio_input.h"

#include <algorithm>

namespace orvak::platform {

SimAudioInput::SimAudioInput(double sampleRate) : source_(sampleRate) {}

SimAudioInput::~SimAudioInput() { close(); }

AudioFormat SimAudioInput::open(Receiver receiver) {
  close();
  {
    std::lock_guard lock(mutex_);
    receiver_ = std::move(receiver);
  }
  if (auto format = reopen()) return *format;
  throw AudioInputError("sim: no input source");
}

std::optional<AudioFormat> SimAudioInput::reopen() {
  close();
  std::lock_guard lock(mutex_);
  if (!receiver_ || !source_ || !(*source_ > 0)) return std::nullopt;
  rate_ = *source_;
  delivered_ = 0;
  openNs_ = dispatch::monotonicNanos();
  if (!queue_) queue_ = dispatch::makeQueue("orvak.siminput");
  timer_ = dispatch::RepeatingTimer(*queue_, 0.01, [this] { tick(); });
  return AudioFormat::mono(rate_);
}

void SimAudioInput::close() {
  dispatch::RepeatingTimer stopped;
  {
    std::lock_guard lock(mutex_);
    stopped = std::move(timer_);
  }
  stopped.cancel();
}

void SimAudioInput::tick() {
  std::vector<float> chunk;
  std::uint64_t hostNs = 0;
  Receiver receiver;
  {
    std::lock_guard lock(mutex_);
    if (!timer_.isActive()) return;
    const auto frames = static_cast<std::size_t>(rate_ / 100);
    chunk.assign(frames, 0.0f);
    const std::size_t take = std::min(frames, queued_.size());
    std::copy_n(queued_.begin(), take, chunk.begin());
    queued_.erase(queued_.begin(), queued_.begin() + static_cast<std::ptrdiff_t>(take));
    hostNs = openNs_ + static_cast<std::uint64_t>(static_cast<double>(delivered_) * 1e9 / rate_);
    delivered_ += frames;
    ++chunks_;
    receiver = receiver_;
  }
  receiver(chunk, hostNs);
}

void SimAudioInput::play(std::span<const float> samples) {
  std::lock_guard lock(mutex_);
  queued_.insert(queued_.end(), samples.begin(), samples.end());
}

double SimAudioInput::queuedSeconds() const {
  std::lock_guard lock(mutex_);
  const double rate = rate_ > 0 ? rate_ : source_.value_or(0);
  return rate > 0 ? static_cast<double>(queued_.size()) / rate : 0.0;
}

void SimAudioInput::setSource(std::optional<double> sampleRate) {
  std::lock_guard lock(mutex_);
  source_ = sampleRate;
}

bool SimAudioInput::isOpen() const {
  std::lock_guard lock(mutex_);
  return timer_.isActive();
}

std::uint64_t SimAudioInput::chunksDelivered() const {
  std::lock_guard lock(mutex_);
  return chunks_;
}

}  // namespace orvak::platform
