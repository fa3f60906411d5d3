// What the cloud voices send back, decoded without the network: one line of Inworld's streamed
// response, one message of Cartesia's websocket. The engines act on the result; tests and the
// fuzzing harnesses feed these functions whatever bytes they like. Nothing here throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/json_fwd.h"
#include "core/speech/word_timing.h"

namespace orvak {

namespace InworldReply {

struct Line {
  // The vendor's own error: the request ends with this text (after "inworld: ").
  std::optional<std::string> error;
  // The piece's audio, when it carried decodable audio (a WAV header in front is dropped).
  std::optional<std::vector<float>> samples;
  // The piece's word alignment, words without a letter or number left out; times as sent.
  std::optional<std::vector<WordTiming>> words;
};

// nullopt for a line the engine skips: not JSON, not an object, or without a "result" object.
std::optional<Line> parse(std::string_view line);

}  // namespace InworldReply

namespace CartesiaReply {

struct Message {
  enum class Kind { ignored, audio, words, done, error };
  Kind kind = Kind::ignored;
  // The context the message belongs to, when it names one as text.
  std::optional<std::string> contextId;
  std::vector<float> samples;     // audio
  std::vector<WordTiming> words;  // words
  std::string error;              // error: the whole text for the sink, "cartesia: ..." (valid UTF-8)
};

Message parse(const json::Json& message);

}  // namespace CartesiaReply

}  // namespace orvak
