// One record per read: which voice spoke, what triggered it, and how long each step from the
// trigger to the first sound took. Appended once, at the end of the read, to logs()/reads.jsonl.
// Fields ending in Ms are milliseconds from the moment the trigger was handled; Sec are seconds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/base/json_fwd.h"

namespace orvak {

struct ReadTiming {
  std::string ts;
  std::string engine;
  std::string model;
  std::string voice;
  std::string trigger;
  std::optional<std::string> fallbackFrom;
  std::optional<std::string> app;
  std::optional<std::string> bundleId;
  std::int64_t textChars = 0;
  std::int64_t sentences = 0;
  std::int64_t startSentence = 0;
  std::int64_t startChar = 0;
  std::optional<std::string> startReason;
  std::optional<std::int64_t> endSentence;
  std::int64_t firstSentenceChars = 0;
  double hotkeyEventLagMs = 0;
  std::optional<double> axWalkMs;
  std::optional<std::int64_t> axAttempts;
  std::optional<double> cleanMs;
  std::optional<double> captureDoneMs;
  std::optional<std::string> captureStrategy;
  std::optional<std::string> docsSetup;
  std::optional<std::int64_t> score;
  std::optional<double> audioGraphMs;
  std::optional<double> connectedMs;
  std::optional<bool> connectionReused;
  std::optional<double> requestSentMs;
  std::optional<double> firstByteMs;
  std::optional<double> firstAudioScheduledMs;
  std::optional<double> firstAudioSampleMs;
  std::optional<double> outputLatencyMs;
  std::optional<double> requestToFirstSampleMs;
  std::optional<double> captureToFirstSampleMs;
  std::optional<std::string> endedBy;
  std::optional<double> wallSec;
  std::optional<double> receivedAudioSec;
  std::optional<double> playedAudioSec;
  std::int64_t charsSent = 0;
  std::int64_t sentencesSent = 0;
  std::int64_t underruns = 0;
  double underrunMs = 0;
  std::int64_t wordsTimed = 0;
  std::int64_t sentencesWithWords = 0;
  std::int64_t wordAlignMismatches = 0;
  std::vector<std::string> errors;
  std::vector<std::string> events;

  ReadTiming() = default;
  ReadTiming(std::string ts, std::string engine, std::string model, std::string voice, std::string trigger,
             double hotkeyEventLagMs);

  // "apple · capture 412 (walk –, clean –) · connected – · sent – · first byte – · first sound – ms
  // (req→sound –)": whole milliseconds (half to even), an en dash where a figure is absent.
  std::string summary() const;

  bool operator==(const ReadTiming&) const = default;
};

// Text fields are repaired to valid UTF-8 on encoding; non-finite optional figures are left out
// and non-finite required ones written as 0, so one bad figure never loses the record.
void to_json(json::Json& j, const ReadTiming& r);
void from_json(const json::Json& j, ReadTiming& r);

}  // namespace orvak
