// Construction, the shared fields, starting a read and feeding the engine.
#include "app/player/player.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/audio/earcon.h"
#include "core/base/log.h"
#include "core/base/timing.h"
#include "core/page/privacy.h"
#include "core/speech/sentence_splitter.h"
#include "core/speech/speech_text.h"

namespace orvak {

namespace {

constexpr int kMaxSentenceChars = 400;
constexpr std::size_t kProbeChars = 24;

std::atomic<double> gKeepBehindSec{600};
std::atomic<double> gTrimStepSec{120};

std::vector<std::string> speakableSentences(std::string_view text) {
  std::vector<std::string> out;
  for (auto& s : SentenceSplitter::split(text, kMaxSentenceChars)) {
    if (SpeechText::speakable(s)) out.push_back(std::move(s));
  }
  return out;
}

}  // namespace

Player::Setup Player::forRead(Vendor vendor, std::shared_ptr<SpeechEngine> engine, const std::string& source,
                              std::uint64_t t0, double eventLagMs, const ReadOptions& opts) {
  Setup setup;
  setup.q = dispatch::makeQueue("orvak.player", dispatch::QoS::UserInteractive);
  setup.rec =
      ReadTiming(Timestamp::now(), std::string(rawValue(vendor)), engine->model(), engine->voice(), source, eventLagMs);
  setup.engine = std::move(engine);
  setup.opts = opts;
  setup.t0 = t0;
  return setup;
}

std::shared_ptr<Player> Player::make(Setup setup) { return std::shared_ptr<Player>(new Player(std::move(setup))); }

Player::Player(Setup setup)
    : engine_(std::move(setup.engine)),
      opts_(std::move(setup.opts)),
      q_(std::move(setup.q)),
      t0_(setup.t0),
      wallStartMs_(dispatch::wallMillis()),
      graph_(setup.graph ? std::move(setup.graph) : AudioGraph::shared().shared_from_this()),
      pronunciations_(std::move(setup.pronunciations)),
      rec_(std::move(setup.rec)),
      sr_(engine_->sampleRate()),
      speed_(setup.speed) {}

Player::~Player() = default;

void Player::toMain(std::function<void()> f) const { dispatch::main().async(std::move(f)); }

// ---- Shared fields ----

Player::Source Player::source() const {
  std::lock_guard lock(lock_);
  return source_;
}
void Player::setSource(Source s) {
  std::lock_guard lock(lock_);
  source_ = std::move(s);
}
std::optional<std::string> Player::readKey() const {
  std::lock_guard lock(lock_);
  return readKey_;
}
void Player::setReadKey(std::optional<std::string> key) {
  std::lock_guard lock(lock_);
  readKey_ = std::move(key);
}
std::string Player::startSnippet() const {
  std::lock_guard lock(lock_);
  return startSnippet_;
}
void Player::setStartSnippet(std::string snippet) {
  std::lock_guard lock(lock_);
  startSnippet_ = std::move(snippet);
}
std::optional<Player::Spoken> Player::spoken() const {
  std::lock_guard lock(lock_);
  return spoken_;
}
std::optional<int> Player::spokenFrom() const {
  std::lock_guard lock(lock_);
  if (!spoken_) return std::nullopt;
  return spoken_->from;
}
std::optional<int> Player::spokenUntil() const {
  std::lock_guard lock(lock_);
  return spokenUntil_;
}
std::optional<Player::EndPosition> Player::endPosition() const {
  std::lock_guard lock(lock_);
  return endPosition_;
}
std::shared_ptr<Player> Player::replaces() const {
  std::lock_guard lock(lock_);
  return replaces_.lock();
}
void Player::setReplaces(const std::shared_ptr<Player>& failed) {
  std::lock_guard lock(lock_);
  replaces_ = failed;
}

void Player::setOnPlaybackStarted(std::function<void()> f) {
  q_->async([self = shared_from_this(), f = std::move(f)]() mutable { self->onPlaybackStarted_ = std::move(f); });
}
void Player::setOnPlaybackEnded(std::function<void()> f) {
  q_->async([self = shared_from_this(), f = std::move(f)]() mutable { self->onPlaybackEnded_ = std::move(f); });
}

double Player::keepBehindSec() { return gKeepBehindSec.load(); }
double Player::trimStepSec() { return gTrimStepSec.load(); }
bool Player::setKeepBehindSec(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) return false;
  gKeepBehindSec.store(seconds);
  return true;
}
bool Player::setTrimStepSec(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return false;
  gTrimStepSec.store(seconds);
  return true;
}

// ---- Notes ----

void Player::note(const std::string& text) {
  const auto ms = static_cast<std::int64_t>(Clock::ms(t0_));
  rec_.events.push_back(std::to_string(ms) + " " + text + " @s" + std::to_string(timeline_.sentence(playedUpTo_)));
}

// ---- Starting ----

void Player::begin() {
  graph_->claim(this);
  q_->async([self = shared_from_this()] { self->beginOnQueue(); });
}

void Player::beginOnQueue() {
  if (ended_) return;
  rec_.audioGraphMs = graph_->ensure(sr_);
  if (!graph_->engine().isRunning()) {
    // Nothing could be heard: saying sentences as if they were would report a read that never
    // happened.
    const std::string message = "the audio output could not start (" + graph_->engine().deviceName() + ")";
    rec_.errors.push_back(message);
    Log::write("player: " + message);
    finish("error");
    return;
  }
  applyVolume();
  if (opts_.earcon) graph_->playCue(Earcon::samples(Earcon::Kind::start));
  graph_->pitch()->setRate(speed_);
  engine_->setSink(shared_from_this());
  engine_->prepare();
}

void Player::applyVolume() { graph_->engine().mainMixer().setOutputVolume(opts_.mute ? 0.0f : 1.0f); }

void Player::speak(std::string text, std::shared_ptr<const Capture> capture, int from, std::string reason,
                   std::optional<int> until) {
  {
    std::lock_guard lock(lock_);
    spoken_ = Spoken{text, capture, from};
    spokenUntil_ = until;
  }
  const double captureDoneMs = Clock::ms(t0_);
  q_->async([self = shared_from_this(), text = std::move(text), capture = std::move(capture), from,
             reason = std::move(reason), until, captureDoneMs]() mutable {
    if (self->ended_) return;
    self->text_ = std::move(text);
    self->speakOnQueue(capture, from, reason, until, captureDoneMs);
  });
}

void Player::speakOnQueue(const std::shared_ptr<const Capture>& capture, int from, const std::string& reason,
                          std::optional<int> until, double captureDoneMs) {
  chars_ = text::graphemes(text_);
  from_ = from;
  if (capture) {
    rec_.captureDoneMs = captureDoneMs;
    rec_.app = capture->appName;
    rec_.bundleId = capture->bundleId;
    rec_.axWalkMs = capture->axWalkTotalMs;
    rec_.axAttempts = capture->attempts;
    rec_.cleanMs = capture->cleanMs;
    rec_.captureStrategy = capture->clean.regionStrategy;
    rec_.docsSetup = capture->docsSetup;
    rec_.score = capture->clean.score.score;
    headingStarts_ = capture->clean.headingStarts;
    if (capture->cutAtNodes) note("page cut at " + std::to_string(*capture->cutAtNodes) + " nodes");
    if (capture->cutByTime) note("page cut: the walk ran out of time");
  } else {
    rec_.captureDoneMs.reset();
  }

  const int length = static_cast<int>(chars_.size());
  const int start = std::clamp(from, 0, length);
  const int end = until ? std::min(length, std::max(*until, from)) : length;
  // Byte offsets of the start and end characters.
  auto byteAt = [&](int c) -> std::size_t {
    if (c >= length) return text_.size();
    return static_cast<std::size_t>(chars_[static_cast<std::size_t>(c)].data() - text_.data());
  };
  const std::string_view whole(text_);
  const std::size_t startByte = byteAt(start);
  const std::size_t endByte = std::max(startByte, byteAt(std::max(end, start)));

  base_ = from >= 1 ? static_cast<int>(speakableSentences(whole.substr(0, startByte)).size()) : 0;
  sentences_ = speakableSentences(whole.substr(startByte, endByte - startByte));
  docSentences_ = base_ + static_cast<int>(sentences_.size());
  ranges_ = locate(sentences_, whole, start);
  timeline_ = AudioTimeline(sentences_, sr_);

  rec_.textChars = length;
  rec_.sentences = docSentences_;
  rec_.startSentence = base_;
  rec_.startChar = from;
  rec_.startReason = reason;
  rec_.firstSentenceChars = sentences_.empty() ? 0 : text::graphemeCount(sentences_.front());
  textReady_ = true;

  if (sentences_.empty()) {
    finish("empty");
    return;
  }
  pumpSend();
  startStateTimer();
}

std::vector<text::GraphemeRange> Player::locate(const std::vector<std::string>& sentences, std::string_view text,
                                                int from) {
  const auto chars = text::graphemes(text);
  const auto length = static_cast<int>(chars.size());
  int cursor = std::clamp(from, 0, length);
  std::vector<text::GraphemeRange> out;
  out.reserve(sentences.size());
  for (const auto& sentence : sentences) {
    const auto own = text::graphemes(sentence);
    const std::size_t probeLen = std::min(own.size(), kProbeChars);
    int start = cursor;
    if (probeLen > 0) {
      for (int at = cursor; at + static_cast<int>(probeLen) <= length; ++at) {
        if (std::equal(own.begin(), own.begin() + static_cast<std::ptrdiff_t>(probeLen), chars.begin() + at)) {
          start = at;
          break;
        }
      }
    }
    const int end = std::min(start + static_cast<int>(own.size()), length);
    out.push_back({start, std::max(start, end)});
    cursor = std::max(start, end);
  }
  return out;
}

// ---- Feeding the engine ----

void Player::pumpSend() {
  if (!textReady_ || ended_ || failedAfterStart_) return;
  // Once everything received has played while the engine still owes audio, holding text back can
  // only keep the listener waiting: one more sentence goes whatever the limits say.
  bool dryExtra = started_ && !finishedReceiving_ && playedUpTo_ >= receivedEnd();
  while (nextToSend_ < static_cast<int>(sentences_.size())) {
    if (!pacer_.canSend(nextToSend_, receivedEnd(), playedUpTo_, sr_, rec_.charsSent, charsDone())) {
      if (!dryExtra) return;
      dryExtra = false;
    }
    const int i = nextToSend_++;
    const std::string& sentence = sentences_[static_cast<std::size_t>(i)];
    std::string sent = SpeechText::spoken(sentence, pronunciations_);
    if (sent.empty()) sent = sentence;
    timeline_.setSpoken(i, sent);
    if (Privacy::keepTextInLogs() && sent != sentence) {
      Log::write("spoken s" + std::to_string(i + base_) + ": " + sent);
    }
    rec_.charsSent += text::graphemeCount(sent);
    charsBefore_.push_back(rec_.charsSent);
    rec_.sentencesSent = nextToSend_;
    engine_->send(sent, i, i == static_cast<int>(sentences_.size()) - 1);
  }
}

std::int64_t Player::charsDone() const {
  // A sentence's audio is complete once the next sentence's audio has begun.
  const auto& starts = timeline_.sentenceStart();
  if (starts.empty()) return 0;
  const int newest = std::min(starts.rbegin()->first, static_cast<int>(charsBefore_.size()) - 1);
  return newest > 0 ? charsBefore_[static_cast<std::size_t>(newest)] : 0;
}

void Player::markFallback(std::string from) {
  q_->async([self = shared_from_this(), from = std::move(from)]() mutable {
    if (self->ended_) return;
    self->rec_.fallbackFrom = std::move(from);
  });
}

}  // namespace orvak
