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
// Bytes of text split per turn of the player queue: the first stretch small, for the first sound,
// the others a few milliseconds of work each, the longest a stop or a chunk of audio waits.
constexpr std::size_t kFirstStretchBytes = 16 << 10;
constexpr std::size_t kStretchBytes = 64 << 10;
// How far before the limit a line end is looked for when a text is cut.
constexpr std::size_t kCutLookBackBytes = 64 << 10;

std::atomic<double> gKeepBehindSec{600};
std::atomic<double> gTrimStepSec{120};

// Where a text longer than `limit` bytes is cut: after the last line feed shortly before the
// limit, else at the last character boundary before it.
std::size_t cutPoint(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  if (const auto nl = text.rfind('\n', limit - 1); nl != std::string_view::npos && nl + kCutLookBackBytes >= limit) {
    return nl + 1;
  }
  const auto isContinuation = [&](std::size_t at) { return (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80; };
  std::size_t end = limit;
  while (end > 0 && isContinuation(end)) --end;
  // The character that ends at `end` may still take marks beyond it: cut before it, found in a
  // short window (characters are far shorter than that).
  std::size_t from = end > 1024 ? end - 1024 : 0;
  while (from > 0 && isContinuation(from)) --from;
  const auto chars = text::graphemes(text.substr(from, end - from));
  if (chars.empty()) return from;
  return static_cast<std::size_t>(chars.back().data() - text.data());
}

}  // namespace

Player::Setup Player::forRead(Vendor vendor, std::shared_ptr<SpeechEngine> engine, const std::string& source,
                              std::uint64_t t0, double eventLagMs, const ReadOptions& opts) {
  Setup setup;
  setup.q = dispatch::makeQueue("orvak.player");
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

void Player::speak(std::string_view given, std::shared_ptr<const Capture> capture, int from, std::string reason,
                   std::optional<int> until) {
  const std::size_t givenBytes = given.size();
  std::string text(given.substr(0, cutPoint(given, kTextLimitBytes)));
  {
    std::lock_guard lock(lock_);
    spoken_ = Spoken{text, capture, from};
    spokenUntil_ = until;
  }
  const double captureDoneMs = Clock::ms(t0_);
  q_->async([self = shared_from_this(), text = std::move(text), capture = std::move(capture), from,
             reason = std::move(reason), until, captureDoneMs, givenBytes]() mutable {
    if (self->ended_) return;
    self->text_ = std::move(text);
    self->speakOnQueue(capture, from, reason, until, captureDoneMs, givenBytes);
  });
}

void Player::speakOnQueue(const std::shared_ptr<const Capture>& capture, int from, const std::string& reason,
                          std::optional<int> until, double captureDoneMs, std::size_t givenBytes) {
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
  if (givenBytes > text_.size()) {
    const std::string cut = "page cut at " + std::to_string(text_.size()) + " of " + std::to_string(givenBytes) +
                            " bytes of text: the rest is not read";
    note(cut);
    Log::write("player: " + cut);
  }

  // Character offsets become byte offsets by walking the text up to them and no further.
  const std::string_view whole(text_);
  const int wanted = std::max(from, 0);
  const std::size_t startByte = text::graphemePrefix(whole, wanted).size();
  const int start = startByte < whole.size() ? wanted : std::min(wanted, text::graphemeCount(whole));
  std::size_t endByte = whole.size();
  if (until) {
    const int count = std::max(std::max(*until, from) - start, 0);
    endByte = startByte + text::graphemePrefix(whole.substr(startByte), count).size();
  }

  if (from >= 1) before_.emplace(whole.substr(0, startByte), kMaxSentenceChars);
  ahead_.emplace(whole.substr(startByte, endByte - startByte), kMaxSentenceChars, start);
  after_.emplace(whole.substr(endByte), kMaxSentenceChars);
  aheadByte_ = startByte;
  timeline_ = AudioTimeline({}, sr_);

  rec_.startChar = from;
  rec_.startReason = reason;
  textReady_ = true;

  // An ordinary page is split whole in this first turn, the sentences before the start point
  // first, so that even the first sentences sent carry their numbers within the document.
  if (startByte <= kStretchBytes && before_) {
    for (const auto& s : before_->next(kStretchBytes)) base_ += SpeechText::speakable(s.text) ? 1 : 0;
  }
  if (whole.size() - endByte <= kStretchBytes) after_->next(kStretchBytes);
  take(ahead_->next(kFirstStretchBytes));
  afterStretch();
}

void Player::splitStep() {
  if (ended_) return;
  if (before_ && !before_->done()) {
    for (const auto& s : before_->next(kStretchBytes)) base_ += SpeechText::speakable(s.text) ? 1 : 0;
  } else if (!ahead_->done()) {
    take(ahead_->next(kStretchBytes));
  } else {
    after_->next(kStretchBytes);
  }
  afterStretch();
}

void Player::take(std::vector<SentenceSplitter::Placed> placed) {
  std::vector<std::string> fresh;
  for (auto& s : placed) {
    if (!SpeechText::speakable(s.text)) continue;
    ranges_.push_back({s.start, s.end});
    bytes_.emplace_back(aheadByte_ + s.byteStart, aheadByte_ + s.byteEnd);
    sentences_.push_back(s.text);
    fresh.push_back(std::move(s.text));
  }
  if (fresh.empty()) return;
  if (rec_.firstSentenceChars == 0) rec_.firstSentenceChars = ranges_.front().length();
  timeline_.append(std::move(fresh));
}

bool Player::splitting() const {
  return (before_ && !before_->done()) || (ahead_ && !ahead_->done()) || (after_ && !after_->done());
}

void Player::afterStretch() {
  docSentences_ = base_ + static_cast<int>(sentences_.size());
  rec_.sentences = docSentences_;
  rec_.startSentence = base_;
  rec_.textChars = ahead_->chars() + after_->chars();
  if (sentences_.empty()) {
    // Nothing to say yet: with the whole text split (and counted for the record), nothing ever.
    if (!splitting()) finish("empty");
  } else {
    pumpSend();
    if (!stateTimer_) startStateTimer();
  }
  if (!ended_ && splitting()) q_->async([self = shared_from_this()] { self->splitStep(); });
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
    // The newest sentence is the last one only once the rest of the text is split.
    const bool last = nextToSend_ == static_cast<int>(sentences_.size()) - 1;
    if (last && !ahead_->done()) return;
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
    engine_->send(sent, i, last);
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
