// Publishing the state, the single end of every read with its one timing line, and engine errors
// (including the hand-over of a failed network read to the on-device voice).
#include <algorithm>
#include <set>

#include "app/player/player.h"
#include "core/base/jsonl.h"
#include "core/base/log.h"
#include "core/base/paths.h"

namespace orvak {

namespace {

constexpr double kStateIntervalSec = 0.25;
constexpr double kGraphIdleSec = 30;

}  // namespace

PlayerState Player::state(std::optional<std::string> error) const {
  PlayerState s;
  s.label = std::string(displayName(engine_->vendor()));
  const int c = timeline_.sentence(playedUpTo_);
  s.sentence = base_ + std::min(std::max(static_cast<int>(sentences_.size()), 1), c + 1);
  s.total = std::max(docSentences_, 1);
  s.paused = paused_;
  s.speed = speed_;
  s.ended = ended_;
  s.error = std::move(error);
  return s;
}

void Player::publish() {
  if (!onState) return;
  toMain([f = onState, s = state(std::nullopt)] { f(s); });
}

void Player::startStateTimer() {
  std::weak_ptr<Player> weak = weak_from_this();
  stateTimer_.emplace(*q_, kStateIntervalSec, [weak] {
    if (auto self = weak.lock(); self && !self->ended_) self->publish();
  });
}

void Player::stop(std::string reason) {
  q_->async([self = shared_from_this(), reason = std::move(reason)] { self->finish(reason); });
}

void Player::handleError(const std::string& message) {
  if (ended_) return;
  rec_.errors.push_back(message);
  const std::string vendor(rawValue(engine_->vendor()));
  Log::write("engine error (" + vendor + "): " + message);
  if (started_) {
    // The engine may still be streaming what it was sent: keep playing what arrives, send nothing
    // new, and end the read as an error once the engine is done or has gone quiet.
    failedAfterStart_ = true;
    armErrorQuiet();
    return;
  }
  if (engine_->vendor() == Vendor::onDevice) {
    finish("error");
    return;
  }
  finish("fallback");
  if (onFailBeforeAudio) toMain([f = onFailBeforeAudio, message] { f(message); });
}

void Player::armErrorQuiet() {
  errorQuiet_.cancel();
  const double quiet = std::isfinite(opts_.errorQuietSec) && opts_.errorQuietSec >= 0 ? opts_.errorQuietSec : 5;
  std::weak_ptr<Player> weak = weak_from_this();
  errorQuiet_ = q_->asyncAfter(quiet, [weak] {
    auto self = weak.lock();
    if (!self || self->ended_ || self->finishedReceiving_) return;
    self->note("engine quiet after error");
    self->finishedReceiving_ = true;
    self->checkEnd();
  });
}

void Player::finish(const std::string& reason) {
  if (ended_) return;
  errorQuiet_.cancel();
  const std::int64_t pos = started_ ? positionNow() : 0;
  ended_ = true;
  ++epoch_;
  liveEpoch_.store(epoch_);
  if (stateTimer_) stateTimer_->cancel();

  // Only while the engine still serves this read: a newer read may have taken it over.
  engine_->detach(this);
  // A muted read gives the mixer back at full volume, unless another read owns the graph now.
  if (opts_.mute) graph_->ifOwner(this, [&] { graph_->engine().mainMixer().setOutputVolume(1.0f); });
  graph_->release(this, kGraphIdleSec, *q_);

  if (onPlaybackEnded_) onPlaybackEnded_();

  rec_.endedBy = reason;
  // Sentence counts in the record are then those found so far.
  if (splitting()) note("end before the text was split");
  note("end " + reason);
  rec_.wallSec = static_cast<double>(dispatch::wallMillis() - wallStartMs_) / 1000.0;
  rec_.receivedAudioSec = static_cast<double>(receivedEnd()) / sr_;
  rec_.playedAudioSec = static_cast<double>(pos) / sr_;

  const auto& words = timeline_.words();
  rec_.wordsTimed = static_cast<std::int64_t>(words.size());
  std::set<int> withWords;
  for (const auto& w : words) withWords.insert(w.s);
  rec_.sentencesWithWords = static_cast<std::int64_t>(withWords.size());
  rec_.wordAlignMismatches = timeline_.alignMismatches();

  if (textReady_ && !sentences_.empty()) {
    const int i = std::min(static_cast<int>(sentences_.size()) - 1, timeline_.sentence(playedUpTo_));
    {
      std::lock_guard lock(lock_);
      endPosition_ = EndPosition{i + base_, sentences_[static_cast<std::size_t>(i)], reason == "finished"};
    }
    rec_.endSentence = i + base_;
  }

  if (auto failure = JSONL::append(rec_, OrvakPaths::logs() / "reads.jsonl")) {
    Log::write("player: read record not written: " + *failure);
    std::lock_guard lock(lock_);
    recordFailure_ = std::move(failure);
  }

  std::optional<std::string> error;
  if (reason == "error") error = rec_.errors.empty() ? std::string("error") : rec_.errors.front();
  toMain([onState = onState, onEnd = onEnd, s = state(std::move(error)), rec = rec_] {
    if (onState) onState(s);
    if (onEnd) onEnd(rec);
  });
}

std::optional<std::string> Player::recordFailure() const {
  std::lock_guard lock(lock_);
  return recordFailure_;
}

}  // namespace orvak
