#include "speech/on_device_engine.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <algorithm>

#include "core/base/dispatch.h"
#include "core/text/text.h"

namespace orvak {

namespace {

// The synthesizer is process-wide, so all on-device engines share one queue for writing.
dispatch::Queue& synthQueue() {
  static const std::shared_ptr<dispatch::Queue> queue = dispatch::makeQueue("orvak.synth");
  return *queue;
}

bool excluded(const std::string& identifier) {
  return identifier.find("speech.synthesis") != std::string::npos || identifier.find("eloquence") != std::string::npos;
}

bool isEnglish(const platform::SynthVoice& v) { return v.language.rfind("en", 0) == 0; }

// Moves a UTF-16 offset back to the start of the character (grapheme) that contains it.
int characterStart(const icu::UnicodeString& text, int offset, icu::BreakIterator* chars) {
  if (offset <= 0) return 0;
  if (offset >= text.length()) return text.length();
  if (chars == nullptr) return offset;
  return chars->isBoundary(offset) ? offset : chars->preceding(offset);
}

}  // namespace

std::string OnDeviceEngine::quality(platform::VoiceQuality q) {
  switch (q) {
    case platform::VoiceQuality::Premium: return "premium";
    case platform::VoiceQuality::Enhanced: return "enhanced";
    case platform::VoiceQuality::Default: return "default";
  }
  return "default";
}

std::optional<platform::SynthVoice> OnDeviceEngine::pickVoice(const std::string& identifier,
                                                                const std::vector<platform::SynthVoice>& installed) {
  if (!identifier.empty()) {
    for (const auto& v : installed) {
      if (v.identifier == identifier) return v;
    }
  }
  std::vector<platform::SynthVoice> english;
  std::copy_if(installed.begin(), installed.end(), std::back_inserter(english), isEnglish);
  std::stable_sort(english.begin(), english.end(), [](const auto& a, const auto& b) {
    if (a.quality != b.quality) return a.quality > b.quality;
    const bool aUS = a.language == "en-US";
    const bool bUS = b.language == "en-US";
    if (aUS != bUS) return aUS;
    return a.name < b.name;
  });
  for (const auto& v : english) {
    if (!excluded(v.identifier)) return v;
  }
  for (const auto& v : installed) {
    if (v.language == "en-US") return v;
  }
  return std::nullopt;
}

std::vector<OnDeviceEngine::VoiceChoice> OnDeviceEngine::voices(const std::vector<platform::SynthVoice>& installed) {
  std::vector<platform::SynthVoice> offered;
  for (const auto& v : installed) {
    if (isEnglish(v) && !excluded(v.identifier)) offered.push_back(v);
  }
  std::stable_sort(offered.begin(), offered.end(), [](const auto& a, const auto& b) {
    if (a.quality != b.quality) return a.quality > b.quality;
    return a.name < b.name;
  });
  std::vector<VoiceChoice> out;
  for (const auto& v : offered) {
    out.push_back({v.identifier, v.name + " (" + quality(v.quality) + ", " + v.language + ")"});
  }
  return out;
}

std::vector<OnDeviceEngine::VoiceChoice> OnDeviceEngine::voices() {
  return voices(platform::SystemSynth::voices());
}

std::shared_ptr<OnDeviceEngine> OnDeviceEngine::make(const std::string& voiceIdentifier) {
  return std::make_shared<OnDeviceEngine>(pickVoice(voiceIdentifier, platform::SystemSynth::voices()));
}

OnDeviceEngine::OnDeviceEngine(std::optional<platform::SynthVoice> voice) : voice_(std::move(voice)) {}

std::string OnDeviceEngine::label() const { return "On-device \u00B7 " + (voice_ ? voice_->name : std::string("?")); }

std::string OnDeviceEngine::voice() const {
  if (!voice_) return "?";
  return voice_->name + " (" + quality(voice_->quality) + ")";
}

void OnDeviceEngine::prepare() {
  {
    std::lock_guard lock(lock_);
    ++run_;
    queue_.clear();
    busy_ = false;
  }
  if (auto s = sink()) s->ttsConnected(true);
}

void OnDeviceEngine::send(const std::string& text, int index, bool last) {
  {
    std::lock_guard lock(lock_);
    queue_.push_back({text, index, last});
  }
  schedulePump();
}

void OnDeviceEngine::cancel() {
  std::lock_guard lock(lock_);
  ++run_;
  queue_.clear();
  busy_ = false;
  // The utterance being written notices the new generation at its next buffer and stops.
}

void OnDeviceEngine::schedulePump() {
  std::weak_ptr<OnDeviceEngine> weak = weak_from_this();
  synthQueue().async([weak] {
    if (auto self = weak.lock()) self->pump();
  });
}

void OnDeviceEngine::pump() {
  auto utt = std::make_shared<Utt>();
  {
    std::lock_guard lock(lock_);
    if (busy_ || queue_.empty()) return;
    utt->sentence = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    utt->generation = run_;
    current_ = utt;
  }
  const int index = utt->sentence.index;
  if (auto s = sink()) s->ttsRequestSent(index);

  platform::SynthCallbacks callbacks;
  callbacks.onAudio = [this, utt, index](std::span<const float> samples, double rate) {
    {
      std::lock_guard lock(lock_);
      if (run_ != utt->generation) return false;
      utt->rate = rate;
      utt->frames += static_cast<std::int64_t>(samples.size());
    }
    if (auto s = sink()) s->ttsAudio(std::vector<float>(samples.begin(), samples.end()), rate, index);
    return true;
  };
  callbacks.onWord = [this, utt](std::int64_t frame, int start, int length) {
    std::lock_guard lock(lock_);
    if (current_ == utt) utt->marks.push_back({frame, start, length});
  };
  platform::SystemSynth::write(utt->sentence.text, voice_ ? voice_->identifier : std::string(), callbacks);
  finish(utt);
}

void OnDeviceEngine::finish(const std::shared_ptr<Utt>& utt) {
  std::vector<Mark> marks;
  std::int64_t frames = 0;
  double rate = 22050;
  {
    std::lock_guard lock(lock_);
    if (run_ != utt->generation) return;  // cancelled or replaced: its end belongs to nobody
    const bool already = utt->ended;
    utt->ended = true;
    if (already) return;
    marks = utt->marks;
    frames = utt->frames;
    rate = utt->rate;
  }
  std::vector<std::int64_t> markFrames;
  std::vector<std::pair<int, int>> ranges;
  for (const auto& m : marks) {
    markFrames.push_back(m.frame);
    ranges.emplace_back(m.start, m.length);
  }
  auto timings = wordTimingsFromMarks(utt->sentence.text, markFrames, ranges, frames, rate);
  if (auto s = sink()) {
    s->ttsWords(std::move(timings), utt->sentence.index);
    if (utt->sentence.last) s->ttsFinished();
  }
  {
    std::lock_guard lock(lock_);
    if (run_ == utt->generation) busy_ = false;
    if (current_ == utt) current_.reset();
  }
  schedulePump();
}

std::vector<WordTiming> wordTimingsFromMarks(const std::string& text, const std::vector<std::int64_t>& frames,
                                             const std::vector<std::pair<int, int>>& utf16Ranges,
                                             std::int64_t totalFrames, double rate) {
  const icu::UnicodeString u16 = icu::UnicodeString::fromUTF8(text);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> chars(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) chars.reset();
  if (chars) chars->setText(u16);

  struct Kept {
    std::int64_t frame;
    std::string word;
  };
  std::vector<Kept> kept;
  const std::size_t n = std::min(frames.size(), utf16Ranges.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto [rawStart, rawLength] = utf16Ranges[i];
    if (rawLength <= 0) continue;
    const int start = characterStart(u16, std::clamp(rawStart, 0, u16.length()), chars.get());
    int end = std::clamp(rawStart + std::max(rawLength, 0), start, u16.length());
    if (chars && end < u16.length() && !chars->isBoundary(end)) end = chars->following(end);
    if (end <= start) continue;
    std::string word;
    u16.tempSubStringBetween(start, end).toUTF8String(word);
    // The synthesizer's ranges sometimes take in the space after a word.
    word = std::string(text::trim(word));
    if (word.empty()) continue;
    kept.push_back({std::clamp<std::int64_t>(frames[i], 0, totalFrames), std::move(word)});
  }
  std::vector<WordTiming> out;
  if (!(rate > 0)) return out;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const std::int64_t endFrame = i + 1 < kept.size() ? std::max(kept[i + 1].frame, kept[i].frame) : totalFrames;
    out.push_back({kept[i].word, static_cast<double>(kept[i].frame) / rate, static_cast<double>(endFrame) / rate});
  }
  return out;
}

}  // namespace orvak
