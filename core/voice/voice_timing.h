// One record per voice interaction (the user holds the key, speaks, and the command is carried
// out): how the speech was captured, what was recognised and done, and how long each step took.
// Appended once, at the end, to logs()/voice.jsonl. Fields ending in Ms are milliseconds and
// those ending in Sec seconds, on the monotonic clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/base/json_fwd.h"

namespace orvak {

struct VoiceTiming {
  std::string ts;            // creation time, Timestamp::now()
  std::string mode;          // the voice controller's listening mode
  std::string engine;        // label of the engine that was reading; empty when none was
  std::string outputDevice;  // name of the audio output in use
  bool echoCancellation = false;
  // The next three carry what the user said; the voice controller clears them before writing
  // unless Privacy::keepTextInLogs() allows text in the records.
  std::optional<std::string> transcript;
  std::optional<std::string> command;  // kept always
  std::optional<std::string> noteText;
  std::optional<std::int64_t> sentence;  // index of the sentence that was playing
  std::optional<std::string> quote;
  std::optional<double> intoSentenceSec;
  std::optional<double> injectedOnsetMs;
  std::optional<double> pauseMs;
  std::optional<double> trueOnsetToPauseMs;
  std::optional<double> utteranceMs;
  std::optional<double> sttMs;
  std::optional<double> commandMs;
  std::optional<double> endToResumeMs;
  std::string outcome = "pending";

  VoiceTiming() = default;
  VoiceTiming(std::string ts, std::string mode, std::string engine, std::string outputDevice,
              bool echoCancellation);

  bool operator==(const VoiceTiming&) const = default;
};

// Absent optionals are left out (a sentence index of 0 is present); a non-finite figure is left
// out rather than losing the record; invalid UTF-8 in texts is replaced on encoding.
void to_json(json::Json& j, const VoiceTiming& v);
void from_json(const json::Json& j, VoiceTiming& v);

}  // namespace orvak
