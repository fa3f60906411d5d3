#include "core/speech/read_timing.h"
#include "core/base/json.h"

#include <cmath>
#include <cstdio>

namespace orvak {

ReadTiming::ReadTiming(std::string ts_, std::string engine_, std::string model_, std::string voice_,
                       std::string trigger_, double lag)
    : ts(std::move(ts_)),
      engine(std::move(engine_)),
      model(std::move(model_)),
      voice(std::move(voice_)),
      trigger(std::move(trigger_)),
      hotkeyEventLagMs(lag) {}

namespace {

// "%.0f" rounds half to even, as the summary wants; absent and non-finite figures show a dash.
std::string figure(const std::optional<double>& v) {
  if (!v || !std::isfinite(*v)) return "\u2013";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.0f", *v);
  return buf;
}

}  // namespace

std::string ReadTiming::summary() const {
  std::string s = engine;
  s += " \u00B7 capture " + figure(captureDoneMs);
  s += " (walk " + figure(axWalkMs);
  s += ", clean " + figure(cleanMs);
  s += ") \u00B7 connected " + figure(connectedMs);
  s += " \u00B7 sent " + figure(requestSentMs);
  s += " \u00B7 first byte " + figure(firstByteMs);
  s += " \u00B7 first sound " + figure(firstAudioSampleMs);
  s += " ms";
  s += " (req\u2192sound " + figure(requestToFirstSampleMs);
  s += ")";
  return s;
}

#define ORVAK_READ_TIMING_FIELDS(X)                                                                            \
  X(ts) X(engine) X(model) X(voice) X(trigger) X(fallbackFrom) X(app) X(bundleId) X(textChars) X(sentences)    \
  X(startSentence) X(startChar) X(startReason) X(endSentence) X(firstSentenceChars) X(hotkeyEventLagMs)        \
  X(axWalkMs) X(axAttempts) X(cleanMs) X(captureDoneMs) X(captureStrategy) X(docsSetup) X(score)                \
  X(audioGraphMs) X(connectedMs) X(connectionReused) X(requestSentMs) X(firstByteMs) X(firstAudioScheduledMs)  \
  X(firstAudioSampleMs) X(outputLatencyMs) X(requestToFirstSampleMs) X(captureToFirstSampleMs) X(endedBy)       \
  X(wallSec) X(receivedAudioSec) X(playedAudioSec) X(charsSent) X(sentencesSent) X(underruns) X(underrunMs)    \
  X(wordsTimed) X(sentencesWithWords) X(wordAlignMismatches) X(errors) X(events)

void to_json(json::Json& j, const ReadTiming& r) {
#define X(field) json::put(j, #field, r.field);
  ORVAK_READ_TIMING_FIELDS(X)
#undef X
}

void from_json(const json::Json& j, ReadTiming& r) {
#define X(field) json::read(j, #field, r.field);
  ORVAK_READ_TIMING_FIELDS(X)
#undef X
}

#undef ORVAK_READ_TIMING_FIELDS

}  // namespace orvak
