#include "speech/vendor_replies.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstdint>
#include <span>

#include "core/base/base64.h"
#include "core/base/json.h"
#include "core/text/text.h"
#include "speech/vendor.h"

namespace orvak {

namespace {

// "text form" of a JSON value: a string as it is, anything else as JSON.
std::string textForm(const json::Json& v) {
  if (v.is_string()) return v.get<std::string>();
  try {
    return json::dump(v);
  } catch (const std::exception&) {
    return "?";
  }
}

// A word the highlighter can use: at least one letter or number.
bool hasLetterOrNumber(std::string_view word) {
  const icu::UnicodeString u = text::toUtf16(word);
  for (int32_t i = 0; i < u.length();) {
    const UChar32 c = u.char32At(i);
    if ((U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_N_MASK)) != 0) return true;
    i += U16_LENGTH(c);
  }
  return false;
}

// Three parallel arrays (words, starts, ends) into timings, as long as the shortest; nullopt when
// one is missing or holds a value of the wrong type.
std::optional<std::vector<WordTiming>> parallelWords(const json::Json& holder, const char* wordsKey,
                                                     const char* startsKey, const char* endsKey, bool onlyWords) {
  const auto words = holder.find(wordsKey);
  const auto starts = holder.find(startsKey);
  const auto ends = holder.find(endsKey);
  if (words == holder.end() || starts == holder.end() || ends == holder.end()) return std::nullopt;
  if (!words->is_array() || !starts->is_array() || !ends->is_array()) return std::nullopt;
  if (!std::all_of(words->begin(), words->end(), [](const auto& w) { return w.is_string(); })) return std::nullopt;
  for (const auto* arr : {&*starts, &*ends}) {
    if (!std::all_of(arr->begin(), arr->end(), [](const auto& n) { return n.is_number(); })) return std::nullopt;
  }
  const std::size_t n = std::min({words->size(), starts->size(), ends->size()});
  std::vector<WordTiming> out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    auto word = (*words)[i].get<std::string>();
    if (onlyWords && !hasLetterOrNumber(word)) continue;
    out.push_back({std::move(word), (*starts)[i].get<double>(), (*ends)[i].get<double>()});
  }
  return out;
}

}  // namespace

namespace InworldReply {

std::optional<Line> parse(std::string_view line) {
  json::Json j;
  try {
    j = json::parse(line);  // bounded nesting: the error text dumps parts of it
  } catch (const json::DecodeError&) {
    return std::nullopt;
  }
  if (!j.is_object()) return std::nullopt;
  Line out;
  if (const auto error = j.find("error"); error != j.end() && error->is_object()) {
    const auto message = error->find("message");
    out.error = text::repairUtf8(textForm(message != error->end() ? *message : *error));
    return out;
  }
  const auto result = j.find("result");
  if (result == j.end() || !result->is_object()) return std::nullopt;
  if (const auto audio = result->find("audioContent"); audio != result->end() && audio->is_string()) {
    if (auto bytes = base64::decode(audio->get<std::string>())) {
      std::span<const std::uint8_t> pcm(*bytes);
      static constexpr std::uint8_t kRiff[] = {'R', 'I', 'F', 'F'};
      if (pcm.size() >= 45 && std::equal(std::begin(kRiff), std::end(kRiff), pcm.begin())) pcm = pcm.subspan(44);
      out.samples = PCM::fromInt16LE(pcm);
    }
  }
  if (const auto info = result->find("timestampInfo"); info != result->end() && info->is_object()) {
    if (const auto align = info->find("wordAlignment"); align != info->end() && align->is_object()) {
      out.words = parallelWords(*align, "words", "wordStartTimeSeconds", "wordEndTimeSeconds", true);
    }
  }
  return out;
}

}  // namespace InworldReply

namespace CartesiaReply {

Message parse(const json::Json& message) {
  Message out;
  if (!message.is_object()) return out;
  if (const auto ctx = message.find("context_id"); ctx != message.end() && ctx->is_string()) {
    out.contextId = ctx->get<std::string>();
  }
  const auto typeIt = message.find("type");
  const std::string type = typeIt != message.end() && typeIt->is_string() ? typeIt->get<std::string>() : "";
  if (type == "chunk") {
    const auto data = message.find("data");
    if (data == message.end() || !data->is_string()) return out;
    const auto bytes = base64::decode(data->get<std::string>());
    if (!bytes) return out;
    out.kind = Message::Kind::audio;
    out.samples = PCM::fromFloat32LE(*bytes);
  } else if (type == "timestamps") {
    const auto it = message.find("word_timestamps");
    if (it == message.end() || !it->is_object()) return out;
    auto words = parallelWords(*it, "words", "start", "end", false);
    if (!words) return out;
    out.kind = Message::Kind::words;
    out.words = std::move(*words);
  } else if (type == "done") {
    out.kind = Message::Kind::done;
  } else if (type == "error") {
    out.kind = Message::Kind::error;
    const auto title = message.find("title");
    std::string text = "cartesia: " + (title != message.end() ? textForm(*title) : std::string()) + " ";
    if (const auto m = message.find("message"); m != message.end()) {
      text += textForm(*m);
    } else if (const auto e = message.find("error"); e != message.end()) {
      text += textForm(*e);
    }
    out.error = text::repairUtf8(text);
  }
  return out;
}

}  // namespace CartesiaReply

}  // namespace orvak
