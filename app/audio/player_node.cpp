#include "app/audio/player_node.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvak::audio {

namespace {
// Enough render cycles to span any device's buffer; older ones are never asked for.
constexpr std::size_t kMaxSegments = 512;
}  // namespace

void PlayerNode::scheduleBuffer(PcmBuffer buffer, Completion playedBack) {
  {
    std::lock_guard lock(mutex_);
    const bool fits = pitch_ != nullptr && buffer.format.channels == 1 && buffer.format.sampleRate == format_.sampleRate;
    if (fits) {
      Scheduled s;
      s.start = std::max(scheduledEnd_, readPos_);
      s.samples = std::move(buffer.samples);
      s.done = std::move(playedBack);
      scheduledEnd_ = s.end();
      buffers_.push_back(std::move(s));
      return;
    }
  }
  if (playedBack) playedBack();
}

void PlayerNode::play() {
  std::lock_guard lock(mutex_);
  state_ = State::playing;
}

void PlayerNode::pause() {
  std::lock_guard lock(mutex_);
  if (state_ == State::playing) state_ = State::paused;
}

void PlayerNode::stop() {
  std::deque<Scheduled> dropped;
  {
    std::lock_guard lock(mutex_);
    dropped.swap(buffers_);
    state_ = State::stopped;
    scheduledEnd_ = 0;
    readPos_ = 0;
    outPos_ = 0;
    heardPos_ = 0;
    segments_.clear();
    pitchStale_ = true;
  }
  for (auto& s : dropped) {
    if (s.done) s.done();
  }
}

bool PlayerNode::isPlaying() const {
  std::lock_guard lock(mutex_);
  return state_ == State::playing;
}

std::optional<AudioTime> PlayerNode::lastRenderTime() const {
  std::lock_guard lock(mutex_);
  if (clock_ == nullptr || pitch_ == nullptr || !clock_->running.load()) return std::nullopt;
  return AudioTime{static_cast<std::int64_t>(clock_->played.load()), outputRate_};
}

std::optional<AudioTime> PlayerNode::playerTime(const AudioTime& nodeTime) const {
  std::lock_guard lock(mutex_);
  if (state_ == State::stopped || pitch_ == nullptr || nodeTime.sampleTime < 0) return std::nullopt;
  const double pos = positionAtLocked(static_cast<std::uint64_t>(nodeTime.sampleTime));
  return AudioTime{static_cast<std::int64_t>(std::floor(pos)), format_.sampleRate};
}

void PlayerNode::attach(std::shared_ptr<const EngineClock> clock, std::shared_ptr<TimePitch> pitch,
                        const AudioFormat& format, double outputRate) {
  std::lock_guard lock(mutex_);
  clock_ = std::move(clock);
  pitch_ = std::move(pitch);
  format_ = format;
  outputRate_ = outputRate;
  pitchStale_ = true;
}

void PlayerNode::render(float* out, std::size_t frames, std::uint64_t frameStart) {
  std::lock_guard lock(mutex_);
  const Segment idle{frameStart, frameStart + frames, outPos_, outPos_};
  if (state_ != State::playing || pitch_ == nullptr) {
    std::fill(out, out + frames, 0.0f);
    if (state_ == State::paused) pushSegmentLocked(idle);
    return;
  }
  if (pitchStale_) {
    pitch_->configure(format_.sampleRate, outputRate_);
    pitchStale_ = false;
  } else if (pitch_->needsRestart()) {
    // Whatever the rate unit still holds was read but not heard: read it again at the new rate.
    readPos_ = static_cast<std::int64_t>(std::floor(outPos_));
    pitch_->restart();
  }
  const double advance = pitch_->process(out, frames, [this](float* dst, std::size_t n) { pullLocked(dst, n); });
  outPos_ = std::min(outPos_ + advance, static_cast<double>(readPos_));
  pushSegmentLocked({frameStart, frameStart + frames, idle.posStart, outPos_});
}

std::vector<PlayerNode::Completion> PlayerNode::advanceHeard(std::uint64_t played) {
  std::vector<Completion> due;
  std::lock_guard lock(mutex_);
  if (state_ == State::stopped) return due;
  heardPos_ = std::max(heardPos_, positionAtLocked(played));
  while (!buffers_.empty() && static_cast<double>(buffers_.front().end()) <= heardPos_) {
    if (buffers_.front().done) due.push_back(std::move(buffers_.front().done));
    buffers_.pop_front();
  }
  // Keep the segment that holds `played`; earlier ones are history nobody asks for.
  while (segments_.size() > 1 && segments_[1].frameStart <= played) segments_.pop_front();
  return due;
}

void PlayerNode::pullLocked(float* out, std::size_t count) {
  std::size_t i = 0;
  auto it = buffers_.begin();
  while (i < count) {
    const std::int64_t pos = readPos_ + static_cast<std::int64_t>(i);
    while (it != buffers_.end() && it->end() <= pos) ++it;
    if (it == buffers_.end()) {
      std::fill(out + i, out + count, 0.0f);
      break;
    }
    const std::size_t left = count - i;
    if (pos < it->start) {
      const std::size_t gap = std::min<std::size_t>(left, static_cast<std::size_t>(it->start - pos));
      std::fill(out + i, out + i + gap, 0.0f);
      i += gap;
      continue;
    }
    const std::size_t n = std::min<std::size_t>(left, static_cast<std::size_t>(it->end() - pos));
    std::memcpy(out + i, it->samples.data() + (pos - it->start), n * sizeof(float));
    i += n;
  }
  readPos_ += static_cast<std::int64_t>(count);
}

double PlayerNode::positionAtLocked(std::uint64_t frame) const {
  if (segments_.empty()) return heardPos_;
  if (frame <= segments_.front().frameStart) return segments_.front().posStart;
  for (const auto& s : segments_) {
    if (frame < s.frameEnd) {
      const double span = static_cast<double>(s.frameEnd - s.frameStart);
      const double into = static_cast<double>(frame - s.frameStart);
      return s.posStart + (s.posEnd - s.posStart) * into / span;
    }
  }
  return segments_.back().posEnd;
}

void PlayerNode::pushSegmentLocked(const Segment& segment) {
  segments_.push_back(segment);
  if (segments_.size() > kMaxSegments) segments_.pop_front();
}

}  // namespace orvak::audio
