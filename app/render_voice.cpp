#include "app/render_voice.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/base/atomic_file.h"
#include "core/base/json.h"
#include "core/base/read_file.h"
#include "core/speech/sentence_splitter.h"
#include "core/speech/speech_text.h"

namespace orvak::RenderVoice {

void Collect::ttsAudio(std::vector<float> samples, double sampleRate, std::optional<int> sentence) {
  std::lock_guard lock(lock_);
  if (sampleRate > 0 && std::isfinite(sampleRate)) s_.rate = sampleRate;
  if (sentence && !sentenceStart_.contains(*sentence)) {
    sentenceStart_[*sentence] = static_cast<double>(s_.pcm.size()) / s_.rate;
  }
  s_.pcm.insert(s_.pcm.end(), samples.begin(), samples.end());
}

void Collect::ttsWords(std::vector<WordTiming> words, std::optional<int> sentence) {
  std::lock_guard lock(lock_);
  double shift = 0;
  if (sentence) {
    if (const auto it = sentenceStart_.find(*sentence); it != sentenceStart_.end()) shift = it->second;
  }
  for (auto& w : words) {
    w.start += shift;
    w.end += shift;
    s_.words.push_back(std::move(w));
  }
}

void Collect::ttsFinished() {
  std::lock_guard lock(lock_);
  s_.done = true;
}

void Collect::ttsError(const std::string& message) {
  std::lock_guard lock(lock_);
  s_.failed = message;
  s_.done = true;
}

Collect::State Collect::state() const {
  std::lock_guard lock(lock_);
  return s_;
}

std::vector<std::uint8_t> wav(std::span<const float> samples, double rate) {
  std::vector<std::uint8_t> out;
  out.reserve(44 + samples.size() * 2);
  const auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const auto u16 = [&](std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  const auto text = [&](const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(t[i]));
  };
  const auto whole = static_cast<std::uint32_t>(std::isfinite(rate) && rate > 0 ? std::min(rate, 4e9) : 0);
  const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
  text("RIFF");
  u32(36 + dataSize);
  text("WAVE");
  text("fmt ");
  u32(16);
  u16(1);
  u16(1);
  u32(whole);
  u32(whole * 2);
  u16(2);
  u16(16);
  text("data");
  u32(dataSize);
  for (const float s : samples) {
    const float c = std::isnan(s) ? 0.0f : std::clamp(s, -1.0f, 1.0f);
    u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(c * 32767.0f)));
  }
  return out;
}

json::Json wordsFile(const std::string& text, std::size_t samples, double rate, const std::vector<WordTiming>& words) {
  const auto ms = [](double t) { return std::isfinite(t) ? std::round(t * 1000) / 1000 : 0.0; };
  json::Json list = json::Json::array();
  for (const auto& w : words) list.push_back({{"w", w.word}, {"s", ms(w.start)}, {"e", ms(w.end)}});
  return {{"text", text}, {"seconds", rate > 0 ? static_cast<double>(samples) / rate : 0.0}, {"words", list}};
}

namespace {

void writeOut(const std::filesystem::path& base, const std::string& text, const Collect::State& s) {
  const auto bytes = wav(s.pcm, s.rate);
  try {
    writeFileAtomically(base.string() + ".wav",
                        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    writeFileAtomically(base.string() + ".words.json",
                        json::dumpPretty(wordsFile(text, s.pcm.size(), s.rate, s.words)));
  } catch (const std::exception&) {
    // Write errors are not the render's: what could be written is there.
  }
}

std::string renderedLine(const std::filesystem::path& base, const Collect::State& s) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(s.pcm.size()) / s.rate);
  return std::string("rendered ") + seconds + " s, " + std::to_string(s.words.size()) + " words \u2192 " +
         base.string() + ".wav";
}

}  // namespace

Outcome run(const std::filesystem::path& textFile, const std::filesystem::path& base,
            const std::shared_ptr<SpeechEngine>& engine, double timeout, const Wait& wait) {
  const std::string text = readWholeFile(textFile).value_or("");
  std::vector<std::string> sentences;
  for (const auto& s : SentenceSplitter::split(text, 400)) {
    auto spoken = SpeechText::spoken(s, {});
    if (!spoken.empty()) sentences.push_back(std::move(spoken));
  }
  auto collect = std::make_shared<Collect>();
  if (sentences.empty()) {
    // Nothing to speak: nothing to wait for.
    const auto s = collect->state();
    writeOut(base, text, s);
    return {0, renderedLine(base, s)};
  }
  engine->setSink(collect);
  engine->prepare();
  for (std::size_t i = 0; i < sentences.size(); ++i) {
    engine->send(sentences[i], static_cast<int>(i), i + 1 == sentences.size());
  }
  const bool finished = wait([&] { return collect->state().done; }, timeout);
  const auto s = collect->state();
  if (s.failed) return {1, "failed: " + *s.failed};
  writeOut(base, text, s);
  if (!finished) {
    engine->cancel();
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", timeout);
    return {1, std::string("failed: timed out after ") + seconds + " s"};
  }
  return {0, renderedLine(base, s)};
}

}  // namespace orvak::RenderVoice
