// Steering a running read (pause, skips, speed, command pause and resume, device recovery) and
// the position queries behind the highlight and the voice commands.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "app/player/player.h"
#include "core/page/page_section.h"
#include "core/page/selection.h"
#include "core/base/timing.h"
#include "core/speech/word_align.h"

namespace orvak {

namespace {

constexpr float kMinSpeed = 0.25f;
constexpr float kMaxSpeed = 4.0f;
constexpr double kBackPastStartSec = 2.5;
constexpr double kDeepSec = 1.5;
constexpr int kWordLookahead = 5;
constexpr int kParagraphMaxChars = 2000;
constexpr int kContextMaxChars = 3000;

// The shortest decimal text that reads back as `v` ("1.25", "2").
std::string shortest(float v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace

// ---- Helpers on the queue ----

std::optional<std::int64_t> Player::startOf(int sentence) const {
  const auto& starts = timeline_.sentenceStart();
  if (auto it = starts.find(sentence); it != starts.end()) return it->second;
  return std::nullopt;
}

int Player::playingSentence() const { return timeline_.sentence(positionNow()); }

void Player::pauseNow() {
  if (ended_ || paused_) return;
  paused_ = true;
  graph_->node()->pause();
  note("pause");
  publish();
}

void Player::resumeNow() {
  if (ended_ || !paused_) return;
  paused_ = false;
  playNode();
  // The wait for audio is timed from the resume; no underrun is counted for it.
  if (playedUpTo_ >= scheduledUpTo_ && !starvedAt_ && !finishedReceiving_) starvedAt_ = Clock::now();
  note("resume");
  publish();
}

void Player::seek(std::int64_t position) {
  ++epoch_;
  liveEpoch_.store(epoch_);
  graph_->node()->stop();
  const std::int64_t p = std::max(position, trimmed_);
  playedUpTo_ = scheduledUpTo_ = p;
  schedule();
  playBase_ = p;
  if (!paused_) playNode();
  publish();
  pumpSend();
  // From the end of the audio of an engine that has finished there is nothing to schedule, so no
  // completion will ever come to end the read: look once the caller's step (and its note) is done.
  if (finishedReceiving_ && p >= receivedEnd()) {
    q_->async([self = shared_from_this()] { self->checkEnd(); });
  }
}

void Player::jump(int by) {
  if (ended_ || !started_) return;
  const std::int64_t pos = positionNow();
  if (by < 0 && from_ > 0 && timeline_.sentence(pos) == 0) {
    const auto first = startOf(0);
    if (!first || static_cast<double>(pos) <= static_cast<double>(*first) + kBackPastStartSec * sr_) {
      if (onBackPastStart) toMain(onBackPastStart);
      return;
    }
  }
  const int t = timeline_.jumpTarget(pos, by);
  if (const auto start = startOf(t)) {
    seek(*start);
    note("skip " + std::to_string(by) + " → s" + std::to_string(t));
    return;
  }
  if (by > 0) seek(receivedEnd());
  note("skip " + std::to_string(by) + " → s" + std::to_string(t) + " (not generated yet)");
}

bool Player::isParagraphStart(int sentence) const {
  const std::string_view whole(text_);
  for (std::size_t b = bytes_[static_cast<std::size_t>(sentence)].first; b > 0; --b) {
    const char ch = whole[b - 1];
    if (ch == ' ' || ch == '\t') continue;
    // A line feed on its own: after a carriage return the pair is one character, not a line feed.
    return ch == '\n' && !(b >= 2 && whole[b - 2] == '\r');
  }
  return true;  // at character 0, or only spaces before it
}

std::optional<int> Player::playingIndex() const {
  if (!started_ || ended_ || ranges_.empty()) return std::nullopt;
  return std::min(static_cast<int>(ranges_.size()) - 1, playingSentence());
}

// ---- Commands ----

void Player::pause() {
  q_->async([self = shared_from_this()] { self->pauseNow(); });
}

void Player::togglePause() {
  q_->async([self = shared_from_this()] {
    if (self->paused_) {
      self->resumeNow();
    } else {
      self->pauseNow();
    }
  });
}

void Player::skip(int sentences) {
  q_->async([self = shared_from_this(), sentences] { self->jump(sentences); });
}

void Player::setSpeed(float rate) {
  if (std::isnan(rate)) return;
  const float clamped = std::clamp(rate, kMinSpeed, kMaxSpeed);
  q_->async([self = shared_from_this(), clamped] {
    if (self->ended_) return;
    self->speed_ = clamped;
    self->graph_->pitch()->setRate(clamped);
    self->note("speed " + shortest(clamped));
    self->publish();
  });
}

void Player::recoverAudio() {
  q_->async([self = shared_from_this()] {
    if (!self->started_ || self->ended_) return;
    const int s = self->playingSentence();
    self->seek(self->startOf(s).value_or(self->positionNow()));
    self->note("audio device changed → s" + std::to_string(s));
  });
}

void Player::skipParagraph(int direction, bool section) {
  q_->async([self = shared_from_this(), direction, section] {
    auto& p = *self;
    if (!p.started_ || p.ended_ || p.ranges_.empty()) return;
    const int count = static_cast<int>(p.ranges_.size());
    const int cur = std::min(count - 1, p.playingSentence());
    const bool backward = direction < 1;
    const auto curStart = p.startOf(cur);
    const bool deep = curStart && static_cast<double>(p.positionNow()) >
                                      static_cast<double>(*curStart) + kDeepSec * p.sr_;
    const auto& headings = p.headingStarts_;
    const int R = p.ranges_[static_cast<std::size_t>(cur)].start;
    auto rangeStart = [&](int i) { return p.ranges_[static_cast<std::size_t>(i)].start; };

    std::optional<int> target;
    if (backward && section && !headings.empty()) {
      std::optional<int> H;
      for (int h : headings) {
        if (h <= R) H = h;
      }
      if (!H) {
        target = 0;
      } else {
        int I = cur;
        for (int i = 0; i < count; ++i) {
          if (rangeStart(i) >= *H) {
            I = i;
            break;
          }
        }
        if (I < cur || deep) {
          target = I;
        } else {
          std::optional<int> P;
          for (int h : headings) {
            if (h < *H) P = h;
          }
          if (!P) {
            target = 0;
          } else {
            for (int i = 0; i < cur; ++i) {
              if (rangeStart(i) >= *P) {
                target = i;
                break;
              }
            }
            if (!target) {
              p.jump(-1);
              return;
            }
          }
        }
      }
    } else if (backward) {
      int I = 0;
      for (int i = cur; i >= 0; --i) {
        if (p.isParagraphStart(i)) {
          I = i;
          break;
        }
      }
      if (I < cur || deep) {
        target = I;
      } else {
        target = 0;
        for (int i = I - 1; i >= 0; --i) {
          if (p.isParagraphStart(i)) {
            target = i;
            break;
          }
        }
      }
    } else {
      if (section && !headings.empty()) {
        const auto next = std::find_if(headings.begin(), headings.end(), [&](int h) { return h > R; });
        if (next != headings.end()) {
          for (int i = cur + 1; i < count; ++i) {
            if (rangeStart(i) >= *next) {
              target = i;
              break;
            }
          }
        }
      } else if (section) {
        for (int i = cur + 1; i < count; ++i) {
          if (PageSection::isHeading(p.sentences_[static_cast<std::size_t>(i)])) {
            target = i;
            break;
          }
        }
      }
      if (!target) {
        for (int i = cur + 1; i < count; ++i) {
          if (p.isParagraphStart(i)) {
            target = i;
            break;
          }
        }
        if (!target) {
          p.jump(1);
          return;
        }
      }
    }
    // A backward move lands on the computed start even when begun well into the current
    // sentence (where a plain skip back would restart that sentence instead).
    if (const auto start = p.startOf(*target); backward && start && *target != cur) {
      p.seek(*start);
      p.note("skip " + std::to_string(*target - cur) + " → s" + std::to_string(*target));
    } else {
      p.jump(*target - cur);
    }
    p.note(std::string(section ? "section" : "paragraph") + " " + (backward ? "-" : "+") + " → s" +
           std::to_string(*target));
  });
}

// ---- Voice-command pause and resume ----

std::optional<Player::Moment> Player::commandPause(std::uint64_t onsetAgoNs) {
  return query([&]() -> std::optional<Moment> {
    if (!started_ || ended_) return std::nullopt;
    const std::int64_t pos = positionNow();
    std::int64_t at = 0;
    if (paused_) {
      at = std::max<std::int64_t>(pos, 0);
    } else {
      const auto back = static_cast<std::int64_t>(static_cast<double>(onsetAgoNs) / 1e9 * sr_);
      at = std::max<std::int64_t>(pos - back, 0);
      paused_ = true;
      graph_->node()->pause();
      note("commandPause");
    }
    const auto ref = timeline_.referent(at);
    publish();
    Moment m;
    m.sentence = ref.sentence;
    if (ref.sentence >= 0 && ref.sentence < static_cast<int>(sentences_.size())) {
      m.text = sentences_[static_cast<std::size_t>(ref.sentence)];
    }
    m.playingSentence = timeline_.sentence(at);
    m.intoSentenceSec = ref.intoSec;
    m.docSentence = ref.sentence + base_;
    return m;
  });
}

void Player::commandResume(std::optional<int> jumpTo) {
  query([&] {
    if (ended_) return;
    if (jumpTo && !sentences_.empty()) {
      const int s = std::clamp(*jumpTo, 0, static_cast<int>(sentences_.size()) - 1);
      if (const auto start = startOf(s)) {
        paused_ = false;
        seek(*start);
        note("commandJump → s" + std::to_string(*jumpTo));
        return;
      }
    }
    resumeNow();
  });
}

// ---- Queries ----

bool Player::isPlaying() const {
  return query([&] { return started_ && !paused_ && !ended_; });
}
bool Player::isPaused() const {
  return query([&] { return paused_; });
}
bool Player::hasEnded() const {
  return query([&] { return ended_; });
}
float Player::currentSpeed() const {
  return query([&] { return speed_; });
}

std::optional<text::GraphemeRange> Player::playingRange() const {
  return query([&]() -> std::optional<text::GraphemeRange> {
    const auto i = playingIndex();
    if (!i) return std::nullopt;
    return ranges_[static_cast<std::size_t>(*i)];
  });
}

std::optional<std::string> Player::playingText() const {
  return query([&]() -> std::optional<std::string> {
    const auto i = playingIndex();
    if (!i || *i >= static_cast<int>(sentences_.size())) return std::nullopt;
    return sentences_[static_cast<std::size_t>(*i)];
  });
}

const Player::WordMap& Player::wordMap(int sentence, const std::vector<const AudioTimeline::TimedWord*>& words) const {
  if (auto it = wordMaps_.find(sentence); it != wordMaps_.end() && it->second.n == words.size()) return it->second;
  auto& entry = wordMaps_[sentence];
  entry = WordMap{words.size(), {}, {}};
  const std::string& text = sentences_[static_cast<std::size_t>(sentence)];
  const auto& range = ranges_[static_cast<std::size_t>(sentence)];
  // Only a sentence found exactly in the text can be highlighted word by word.
  if (range.length() != text::graphemeCount(text)) return entry;
  entry.tokens = WordAlign::tokens(text);
  std::vector<std::string> screen;
  screen.reserve(entry.tokens.size());
  for (const auto& t : entry.tokens) {
    screen.emplace_back(text::graphemeSubstring(text, t.start, t.length()));
  }
  std::vector<std::string> spoken;
  spoken.reserve(words.size());
  for (const auto* w : words) spoken.push_back(w->w.word);
  entry.map = WordAlign::map(screen, spoken, kWordLookahead);
  return entry;
}

std::optional<text::GraphemeRange> Player::playingWordRange() const {
  return query([&]() -> std::optional<text::GraphemeRange> {
    const auto i = playingIndex();
    if (!i || *i >= static_cast<int>(sentences_.size())) return std::nullopt;
    const int col = *i;
    std::vector<const AudioTimeline::TimedWord*> words;
    for (const auto& w : timeline_.words()) {
      if (w.s == col) words.push_back(&w);
    }
    const double now = timeline_.seconds(positionNow());
    std::optional<std::size_t> k;
    for (std::size_t j = 0; j < words.size(); ++j) {
      if (words[j]->w.start <= now) k = j;
    }
    if (!k) return std::nullopt;
    const auto& map = wordMap(col, words);
    if (*k >= map.map.size() || !map.map[*k]) return std::nullopt;
    const int token = *map.map[*k];
    if (token < 0 || token >= static_cast<int>(map.tokens.size())) return std::nullopt;
    const int shift = ranges_[static_cast<std::size_t>(col)].start;
    const auto& t = map.tokens[static_cast<std::size_t>(token)];
    return text::GraphemeRange{t.start + shift, t.end + shift};
  });
}

std::optional<std::string> Player::paragraph(int around) const {
  if (!spoken()) return std::nullopt;
  return query([&]() -> std::optional<std::string> {
    if (ranges_.empty()) return std::nullopt;
    const int count = static_cast<int>(ranges_.size());
    const int i = std::clamp(around, 0, count - 1);
    int first = 0;
    for (int s = i; s >= 0; --s) {
      if (isParagraphStart(s)) {
        first = s;
        break;
      }
    }
    int last = count - 1;
    for (int s = i + 1; s < count; ++s) {
      if (isParagraphStart(s)) {
        last = s - 1;
        break;
      }
    }
    const std::size_t from = bytes_[static_cast<std::size_t>(first)].first;
    const std::size_t to = bytes_[static_cast<std::size_t>(last)].second;
    if (to <= from) return std::nullopt;
    const auto stretch = text::trim(std::string_view(text_).substr(from, to - from));
    if (stretch.empty()) return std::nullopt;
    return std::string(text::graphemePrefix(stretch, kParagraphMaxChars));
  });
}

std::optional<int> Player::sentence(std::string_view matching) const {
  const auto sp = spoken();
  if (!sp) return std::nullopt;
  const auto found = Selection::find(matching, sp->text);
  if (!found) return std::nullopt;
  return query([&]() -> std::optional<int> {
    for (std::size_t i = 0; i < ranges_.size(); ++i) {
      if (ranges_[i].end > *found) return static_cast<int>(i);
    }
    return std::nullopt;
  });
}

std::optional<Player::Context> Player::askContext(const std::optional<Moment>& moment) const {
  const auto sp = spoken();
  if (!sp || sp->text.empty()) return std::nullopt;
  const std::string title = source().windowTitle;
  const int offset = query([&] {
    if (moment && moment->sentence >= 0 && moment->sentence < static_cast<int>(ranges_.size())) {
      return ranges_[static_cast<std::size_t>(moment->sentence)].start;
    }
    return sp->from;
  });
  return Context{sp->text, moment ? moment->text : "", PageSection::around(sp->text, offset, kContextMaxChars), title};
}

}  // namespace orvak
