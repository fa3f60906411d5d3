#include "core/speech/audio_timeline.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/text/text.h"
#include "core/text/words.h"

namespace orvak {

namespace {

constexpr std::int64_t kMaxSample = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMinSample = std::numeric_limits<std::int64_t>::min();

std::int64_t addSat(std::int64_t a, std::int64_t b) {
  std::int64_t r = 0;
  if (__builtin_add_overflow(a, b, &r)) return b > 0 ? kMaxSample : kMinSample;
  return r;
}

std::int64_t subSat(std::int64_t a, std::int64_t b) {
  std::int64_t r = 0;
  if (__builtin_sub_overflow(a, b, &r)) return b < 0 ? kMaxSample : kMinSample;
  return r;
}

// Engines report whatever they like; converting a negative, not-a-number or huge time to an
// integer directly would be undefined, so such times land on the nearest valid sample index.
std::int64_t sampleIndex(double sec, double sampleRate) {
  const double v = sec * sampleRate;
  if (!(v > 0)) return 0;
  if (v >= 9223372036854775807.0) return kMaxSample;
  return static_cast<std::int64_t>(v);
}

// How many of the next expected tokens a spoken word may skip ahead to.
constexpr std::size_t kAlignLookahead = 6;

}  // namespace

AudioTimeline::AudioTimeline(std::vector<std::string> sentences, double sampleRate) : sampleRate_(sampleRate) {
  append(std::move(sentences));
}

void AudioTimeline::append(std::vector<std::string> sentences) {
  sentences_.reserve(sentences_.size() + sentences.size());
  for (auto& sentence : sentences) {
    const auto s = static_cast<int>(sentences_.size());
    for (auto& tok : tokens(sentence)) expected_.push_back({s, std::move(tok)});
    sentences_.push_back(std::move(sentence));
  }
}

std::string AudioTimeline::norm(std::string_view word) {
  // Most words are ASCII, where letters and digits are all that is kept and nothing composes.
  if (std::all_of(word.begin(), word.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::string out;
    for (const char c : word) {
      if (c >= 'A' && c <= 'Z') {
        out += static_cast<char>(c - 'A' + 'a');
      } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        out += c;
      }
    }
    return out;
  }
  const std::string lower = text::lowercase(word);
  const auto* p = reinterpret_cast<const uint8_t*>(lower.data());
  const auto n = static_cast<int32_t>(lower.size());
  std::string out;
  out.reserve(lower.size());
  for (int32_t i = 0; i < n;) {
    const int32_t from = i;
    UChar32 c = 0;
    U8_NEXT(p, i, n, c);
    if (c >= 0 && text::isAlphanumeric(static_cast<char32_t>(c))) out.append(lower, from, i - from);
  }
  // Canonically equal words must compare equal: "é" precomposed or as "e" and an accent.
  return text::nfc(out);
}

std::vector<std::string> AudioTimeline::tokens(std::string_view sentence) {
  std::vector<std::string> out;
  for (const auto piece : splitAtWhitespace(sentence)) {
    if (auto n = norm(piece); !n.empty()) out.push_back(std::move(n));
  }
  return out;
}

void AudioTimeline::setSampleRate(double sampleRate) {
  if (received_ == 0) sampleRate_ = sampleRate;
}

void AudioTimeline::setSpoken(int sentence, std::string_view text) {
  // Tokens are kept in sentence order; a long read has hundreds of thousands of them.
  const auto first = std::partition_point(expected_.begin(), expected_.end(),
                                          [&](const Expected& e) { return e.s < sentence; });
  if (first == expected_.end() || first->s != sentence) return;
  if (static_cast<std::size_t>(first - expected_.begin()) < alignP_) return;
  const auto last =
      std::partition_point(first, expected_.end(), [&](const Expected& e) { return e.s == sentence; });
  std::vector<Expected> spoken;
  for (auto& tok : tokens(text)) spoken.push_back({sentence, std::move(tok)});
  if (static_cast<std::ptrdiff_t>(spoken.size()) == last - first) {
    std::move(spoken.begin(), spoken.end(), first);
    return;
  }
  const auto at = expected_.erase(first, last);
  expected_.insert(at, std::make_move_iterator(spoken.begin()),
                   std::make_move_iterator(spoken.end()));
}

void AudioTimeline::audio(std::int64_t count, std::optional<int> sentence) {
  if (sentence && !sentenceStart_.contains(*sentence)) sentenceStart_[*sentence] = received_;
  received_ = addSat(received_, std::max<std::int64_t>(count, 0));
}

void AudioTimeline::words(std::span<const WordTiming> reported, std::optional<int> sentence) {
  if (!sentence) {
    for (const auto& w : reported) addAligned(w);
    return;
  }
  const double base = seconds(startOf(*sentence).value_or(received_));
  for (const auto& w : reported)
    words_.push_back({*sentence, {w.word, w.start + base, w.end + base}});
}

void AudioTimeline::addAligned(const WordTiming& w) {
  const std::string n = norm(w.word);
  if (n.empty()) return;
  int s = expected_.empty() ? 0 : expected_[std::min(alignP_, expected_.size() - 1)].s;
  if (alignP_ < expected_.size()) {
    const std::string& tok = expected_[alignP_].tok;
    std::string joined = partial_ + n;
    if (tok == joined) {
      ++alignP_;
      partial_.clear();
    } else if (tok.starts_with(joined)) {
      // The engine split one written token into several words ("well-known", "don't").
      partial_ = std::move(joined);
    } else {
      const std::size_t end = std::min(alignP_ + kAlignLookahead, expected_.size());
      std::size_t j = alignP_;
      while (j < end && expected_[j].tok != n) ++j;
      if (j < end) {
        alignMismatches_ += static_cast<std::int64_t>(j - alignP_);
        s = expected_[j].s;
        alignP_ = j + 1;
      } else {
        alignMismatches_ += 1;
        ++alignP_;
      }
      partial_.clear();
    }
  }
  inferStart(s, w.start);
  words_.push_back({s, w});
}

void AudioTimeline::inferStart(int sentence, double startSec) {
  if (sentenceStart_.contains(sentence)) return;
  // Starts never go backwards with the sentence index, whatever times the engine claims.
  std::int64_t earlier = -1;
  for (const auto& [k, v] : sentenceStart_) {
    if (k < sentence) earlier = std::max(earlier, v);
  }
  sentenceStart_[sentence] = std::max(sampleIndex(startSec, sampleRate_), addSat(earlier, 1));
}

std::optional<std::int64_t> AudioTimeline::startOf(int sentence) const {
  const auto it = sentenceStart_.find(sentence);
  if (it == sentenceStart_.end()) return std::nullopt;
  return it->second;
}

int AudioTimeline::sentence(std::int64_t sample) const {
  int best = 0;
  for (const auto& [k, v] : sentenceStart_) {
    if (v <= sample && k > best) best = k;
  }
  return best;
}

double AudioTimeline::seconds(std::int64_t samples) const {
  // Without a usable rate there is no time; 0 keeps comparisons meaningful.
  if (!(sampleRate_ > 0) || !std::isfinite(sampleRate_)) return 0;
  return static_cast<double>(samples) / sampleRate_;
}

AudioTimeline::Referent AudioTimeline::referent(std::int64_t sample) const {
  const int b = sentence(sample);
  const double into = seconds(subSat(sample, startOf(b).value_or(0)));
  // Just after a sentence begins, "this" still means the one the listener has just heard.
  return {into < 0.6 && b > 0 ? b - 1 : b, into};
}

int AudioTimeline::jumpTarget(std::int64_t sample, std::int64_t by) const {
  if (sentences_.empty()) return 0;
  const int c = sentence(sample);
  std::int64_t target = addSat(c, by);
  if (by < 0) {
    // A backward skip well into a sentence restarts that sentence.
    if (const auto start = startOf(c); start && seconds(subSat(sample, *start)) > 1.0) target = c;
  }
  const auto last = static_cast<std::int64_t>(sentences_.size()) - 1;
  return static_cast<int>(std::clamp<std::int64_t>(target, 0, last));
}

std::optional<std::string> AudioTimeline::word(double sec) const {
  for (auto it = words_.rbegin(); it != words_.rend(); ++it) {
    if (it->w.start <= sec) return it->w.word;
  }
  return std::nullopt;
}

}  // namespace orvak
