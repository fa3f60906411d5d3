// Receiving the engine's audio, scheduling it in half-second buffers, learning from completions
// how far playback got, and finding the moment the first sample is really heard.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "app/player/player.h"
#include "core/base/log.h"
#include "core/base/timing.h"

namespace orvak {

namespace {

constexpr double kMinChunkRate = 8'000;
constexpr double kMaxChunkRate = 192'000;
constexpr double kBufferSec = 0.5;
constexpr double kFirstSampleGiveUpSec = 3;
constexpr double kFirstSampleTickSec = 0.001;

bool usableRate(double rate) { return std::isfinite(rate) && rate >= kMinChunkRate && rate <= kMaxChunkRate; }

// Whole samples in `seconds` at `rate`. The trim settings take any finite value, so the product
// can exceed the integer range (converting it would be undefined): beyond any read it saturates
// far enough from the limit that the differences taken with it cannot overflow.
std::int64_t samplesIn(double seconds, double rate) {
  constexpr double kBeyondAnyRead = 1e18;
  const double n = seconds * rate;
  return n >= kBeyondAnyRead ? static_cast<std::int64_t>(kBeyondAnyRead) : static_cast<std::int64_t>(n);
}

}  // namespace

// ---- SpeechSink ----

void Player::ttsConnected(bool reused) {
  const double ms = Clock::ms(t0_);
  q_->async([self = shared_from_this(), reused, ms] {
    if (self->ended_ || self->rec_.connectedMs) return;
    self->rec_.connectedMs = ms;
    self->rec_.connectionReused = reused;
  });
}

void Player::ttsRequestSent(int sentence) {
  const double ms = Clock::ms(t0_);
  q_->async([self = shared_from_this(), sentence, ms] {
    if (self->ended_ || sentence != 0 || self->rec_.requestSentMs) return;
    self->rec_.requestSentMs = ms;
  });
}

void Player::ttsAudio(std::vector<float> samples, double sampleRate, std::optional<int> sentence) {
  const double ms = Clock::ms(t0_);
  q_->async([self = shared_from_this(), samples = std::move(samples), sampleRate, sentence, ms]() mutable {
    self->receive(std::move(samples), sampleRate, sentence, ms);
  });
}

void Player::ttsWords(std::vector<WordTiming> words, std::optional<int> sentence) {
  q_->async([self = shared_from_this(), words = std::move(words), sentence] {
    if (self->ended_) return;
    self->timeline_.words(words, sentence);
  });
}

void Player::ttsFinished() {
  q_->async([self = shared_from_this()] {
    if (self->ended_) return;
    self->finishedReceiving_ = true;
    self->checkEnd();
  });
}

void Player::ttsError(const std::string& message) {
  q_->async([self = shared_from_this(), message] { self->handleError(message); });
}

// ---- Receiving ----

void Player::receive(std::vector<float> samples, double rate, std::optional<int> sentence, double arrivalMs) {
  if (ended_ || samples.empty()) return;
  if (!usableRate(rate)) {
    // A rate like 0 or NaN would make every position and buffer size meaningless.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", rate);
    handleError(std::string(rawValue(engine_->vendor())) + ": audio at an unusable sample rate (" + buf + " Hz)");
    return;
  }
  if (!rec_.firstByteMs) {
    rec_.firstByteMs = arrivalMs;
    if (rate != sr_ || graph_->sampleRate() != rate) {
      sr_ = rate;
      if (timeline_.received() == 0) timeline_.setSampleRate(rate);
      rec_.audioGraphMs = rec_.audioGraphMs.value_or(0) + graph_->ensure(rate);
      applyVolume();
      graph_->pitch()->setRate(speed_);
    }
  }
  timeline_.audio(static_cast<std::int64_t>(samples.size()), sentence);
  samples_.insert(samples_.end(), samples.begin(), samples.end());
  if (failedAfterStart_) armErrorQuiet();  // still streaming: the quiet time starts again
  trimBehind();
  schedule();
  pumpSend();
}

void Player::trimBehind() {
  const auto keep = samplesIn(keepBehindSec(), sr_);
  const auto step = samplesIn(trimStepSec(), sr_);
  const std::int64_t oldestNeeded = std::min(scheduledUpTo_, playedUpTo_) - keep;
  // Never more than is stored, and never past what has played.
  const std::int64_t droppable =
      std::min(oldestNeeded, std::min(playedUpTo_, receivedEnd())) - trimmed_;
  if (droppable <= step || droppable <= 0) return;
  samples_.erase(samples_.begin(), samples_.begin() + droppable);
  trimmed_ += droppable;
  note("trim " + std::to_string(droppable) + " → kept from " + std::to_string(trimmed_));
}

void Player::schedule() {
  if (ended_) return;
  const auto format = graph_->format();
  if (!format) return;
  const auto chunk = std::max<std::int64_t>(1, static_cast<std::int64_t>(sr_ * kBufferSec));
  bool scheduled = false;
  std::weak_ptr<Player> weak = weak_from_this();
  // The node is shared: an older read whose stop ran after this read claimed the graph leaves its
  // audio there. Ours must not queue behind it, and positions count from the node's clock at 0.
  // (Only while none of our own audio waits on it, as after a buffer that could not be made.)
  if (!started_ && scheduledUpTo_ == playedUpTo_ && scheduledUpTo_ < receivedEnd()) graph_->node()->stop();
  while (scheduledUpTo_ < receivedEnd()) {
    const std::int64_t from = scheduledUpTo_;
    const std::int64_t to = std::min(from + chunk, receivedEnd());
    audio::PcmBuffer buffer;
    try {
      buffer.format = *format;
      buffer.samples.assign(samples_.begin() + (from - trimmed_), samples_.begin() + (to - trimmed_));
    } catch (const std::bad_alloc&) {
      return;  // the samples stay; the next chunk, completion or seek schedules them
    }
    const std::int64_t epoch = epoch_;
    graph_->node()->scheduleBuffer(std::move(buffer), [weak, to, epoch] {
      if (auto self = weak.lock()) {
        self->q_->async([self, to, epoch] { self->played(to, epoch); });
      }
    });
    scheduledUpTo_ = to;
    scheduled = true;
  }
  if (scheduled && starvedAt_) {
    rec_.underrunMs += Clock::ms(*starvedAt_);
    starvedAt_.reset();
  }
  if (scheduled && !started_) {
    started_ = true;
    playBase_ = 0;
    rec_.firstAudioScheduledMs = Clock::ms(t0_);
    // A read paused before its first audio stays silent until it is resumed, as its state says.
    if (!paused_) playNode();
  }
}

void Player::playNode() {
  graph_->node()->play();
  // The first sample is watched for while the node plays. A watch that a seek cut short, or that
  // gave up while the read stood paused, starts again, or the read would never report its first
  // sound, tell the voice controller that playback started, or arm its stopAfter clock.
  if (started_ && !rec_.firstAudioSampleMs) watchFirstSample();
}

void Player::played(std::int64_t upTo, std::int64_t epoch) {
  if (epoch != epoch_ || ended_) return;
  // A stopped node hands back its buffers unheard: when the graph stopped under us (a rebuild
  // after the output device changed), those completions are not playback, and counting them
  // would move the position to the end of the audio or even end the read as finished.
  const auto& node = graph_->node();
  const auto rendered = node->lastRenderTime();
  if (!rendered || !node->playerTime(*rendered)) {
    // Handed back because the device failed: nothing more will play, so the read ends here
    // (once: the first of these completions ends it, the rest find it ended).
    if (const auto failure = graph_->engine().failure(); failure && started_) {
      const std::string message = "the audio device failed: " + *failure;
      rec_.errors.push_back(message);
      Log::write("player: " + message);
      finish("error");
    }
    return;
  }
  playedUpTo_ = std::max(playedUpTo_, upTo);
  if (playedUpTo_ >= scheduledUpTo_ && !paused_ && !finishedReceiving_ && !starvedAt_) {
    starvedAt_ = Clock::now();
    rec_.underruns += 1;
  }
  checkEnd();
  pumpSend();
}

void Player::checkEnd() {
  if (!finishedReceiving_ || ended_) return;
  if (!started_) {
    finish("noAudio");
  } else if (playedUpTo_ >= receivedEnd()) {
    finish(failedAfterStart_ ? "error" : "finished");
  }
}

// ---- The first heard sample ----

namespace {

// One tick of the watch on the global queue; reschedules itself until it finds the sample, gives
// up, or the read it watches has moved on.
void watchTick(std::weak_ptr<Player> weak, std::shared_ptr<AudioGraph> graph, std::uint64_t t0,
               std::int64_t epoch, std::uint64_t giveUpAt, const std::atomic<std::int64_t>* liveEpoch,
               std::function<void(double)> found) {
  auto self = weak.lock();
  if (!self || liveEpoch->load() != epoch) return;
  const auto& node = graph->node();
  if (auto rendered = node->lastRenderTime()) {
    if (auto heard = node->playerTime(*rendered); heard && heard->sampleTime > 0) {
      found(Clock::ms(t0));
      return;
    }
  }
  if (Clock::now() >= giveUpAt) return;
  self.reset();
  dispatch::global().asyncAfter(kFirstSampleTickSec, [=] {
    watchTick(weak, graph, t0, epoch, giveUpAt, liveEpoch, found);
  });
}

}  // namespace

void Player::watchFirstSample() {
  const std::uint64_t giveUpAt = Clock::now() + static_cast<std::uint64_t>(kFirstSampleGiveUpSec * 1e9);
  const std::int64_t epoch = epoch_;
  std::weak_ptr<Player> weak = weak_from_this();
  auto found = [weak, epoch](double ms) {
    if (auto self = weak.lock()) self->q_->async([self, ms, epoch] { self->firstSample(ms, epoch); });
  };
  // The atomic lives in the player, which the tick holds (weakly, locked) while reading it.
  dispatch::global().async([=, graph = graph_, t0 = t0_, live = &liveEpoch_] {
    watchTick(weak, graph, t0, epoch, giveUpAt, live, found);
  });
}

void Player::firstSample(double ms, std::int64_t watchEpoch) {
  // Once only, even when a restarted watch and an older one of the same epoch both find it.
  if (ended_ || watchEpoch != epoch_ || rec_.firstAudioSampleMs) return;
  rec_.firstAudioSampleMs = ms;
  rec_.outputLatencyMs = graph_->engine().presentationLatency() * 1000;
  if (rec_.requestSentMs) rec_.requestToFirstSampleMs = ms - *rec_.requestSentMs;
  if (rec_.captureDoneMs) rec_.captureToFirstSampleMs = ms - *rec_.captureDoneMs;
  if (onFirstAudio) toMain([f = onFirstAudio, rec = rec_] { f(rec); });
  if (onPlaybackStarted_) onPlaybackStarted_();
  if (opts_.stopAfter && std::isfinite(*opts_.stopAfter) && *opts_.stopAfter > 0) {
    std::weak_ptr<Player> weak = weak_from_this();
    q_->asyncAfter(*opts_.stopAfter, [weak] {
      if (auto self = weak.lock()) self->finish("stopAfter");
    });
  }
}

std::int64_t Player::positionNow() const {
  const auto& node = graph_->node();
  if (auto rendered = node->lastRenderTime()) {
    if (auto heard = node->playerTime(*rendered)) return std::min(scheduledUpTo_, playBase_ + heard->sampleTime);
  }
  return playedUpTo_;
}

}  // namespace orvak
