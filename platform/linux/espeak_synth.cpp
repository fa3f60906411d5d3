// SystemSynth over espeak-ng in synchronous mode: samples and word events arrive through one
// callback while espeak_Synth runs on the caller's thread.
#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <optional>

#include "core/text/text.h"
#include "platform/synth.h"

namespace orvak::platform {

namespace {

// espeak-ng keeps its state in the library: one utterance at a time for the whole process.
std::mutex& engineMutex() {
  static std::mutex m;
  return m;
}

struct Session {
  const SynthCallbacks* callbacks = nullptr;
  double rate = 22050;
  // Offsets of each code point of the text in UTF-16 units: espeak counts code points, 1-based.
  std::vector<int> utf16OfCodePoint;
  bool stopped = false;
};

int synthCallback(short* wav, int count, espeak_EVENT* events) {
  auto* session = events != nullptr ? static_cast<Session*>(events->user_data) : nullptr;
  if (session == nullptr || session->stopped) return 1;
  for (espeak_EVENT* e = events; e->type != espeakEVENT_LIST_TERMINATED; ++e) {
    if (e->type != espeakEVENT_WORD || !session->callbacks->onWord) continue;
    const auto& map = session->utf16OfCodePoint;
    const int last = static_cast<int>(map.size()) - 1;  // map has one extra entry: the end
    const int first = std::clamp(e->text_position - 1, 0, last);
    const int end = std::clamp(e->text_position - 1 + std::max(e->length, 0), first, last);
    const auto frame = static_cast<std::int64_t>(static_cast<double>(e->audio_position) * session->rate / 1000.0);
    session->callbacks->onWord(frame, map[first], map[end] - map[first]);
  }
  if (wav != nullptr && count > 0) {
    std::vector<float> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) samples[i] = static_cast<float>(wav[i]) / 32768.0f;
    if (!session->callbacks->onAudio(samples, session->rate)) {
      session->stopped = true;
      return 1;
    }
  }
  return 0;
}

// Starts the library once; the sample rate it reports, or nullopt when it cannot start.
std::optional<int> initialised() {
  static const std::optional<int> rate = []() -> std::optional<int> {
    const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 100, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (r <= 0) return std::nullopt;
    espeak_SetSynthCallback(synthCallback);
    return r;
  }();
  return rate;
}

// espeak writes languages in lower case ("en-us"); people and our rules expect "en-US".
std::string bcp47(std::string lang) {
  const auto dash = lang.find('-');
  if (dash != std::string::npos) {
    for (std::size_t i = dash + 1; i < lang.size() && lang[i] != '-'; ++i) {
      lang[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(lang[i])));
    }
  }
  return lang;
}

// Loads the voice the listed identifier names ("gmw/en-US"), only when it changes: the library
// keeps the loaded voice between utterances. An identifier it does not know gives the default
// English voice, once. Called under engineMutex(), which also guards what was chosen last.
void selectVoice(const std::string& identifier) {
  static std::optional<std::string> chosen;
  if (chosen == identifier) return;
  chosen = identifier;
  if (identifier.empty() || espeak_SetVoiceByName(identifier.c_str()) != EE_OK) espeak_SetVoiceByName("en-us");
}

std::vector<int> codePointOffsets(const std::string& text) {
  const auto utf16 = text::toUtf16(text);
  std::vector<int> map;
  map.reserve(static_cast<std::size_t>(utf16.length()) + 1);
  for (int i = 0; i < utf16.length(); i = utf16.moveIndex32(i, 1)) map.push_back(i);
  map.push_back(utf16.length());
  return map;
}

}  // namespace

namespace SystemSynth {

std::vector<SynthVoice> voices() {
  std::lock_guard lock(engineMutex());
  std::vector<SynthVoice> out;
  if (!initialised()) return out;
  const espeak_VOICE** list = espeak_ListVoices(nullptr);
  for (; list != nullptr && *list != nullptr; ++list) {
    const espeak_VOICE* v = *list;
    if (v->name == nullptr || v->identifier == nullptr || v->languages == nullptr) continue;
    // languages: a priority byte, then a NUL-terminated language; the first is the main one.
    const std::string lang = v->languages + 1;
    if (lang.empty()) continue;
    out.push_back(SynthVoice{v->identifier, v->name, bcp47(lang), VoiceQuality::Default});
  }
  return out;
}

bool write(const std::string& text, const std::string& voiceIdentifier, const SynthCallbacks& callbacks) {
  std::lock_guard lock(engineMutex());
  const auto rate = initialised();
  if (!rate) return false;
  selectVoice(voiceIdentifier);
  Session session;
  session.callbacks = &callbacks;
  session.rate = *rate;
  session.utf16OfCodePoint = codePointOffsets(text);
  const espeak_ERROR status = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                           espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, &session);
  return status == EE_OK;
}

}  // namespace SystemSynth
}  // namespace orvak::platform
