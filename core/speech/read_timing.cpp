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

void fields(json::Record<ReadTiming> auto& r, auto&& f) {
  f("ts", r.ts);
  f("engine", r.engine);
  f("model", r.model);
  f("voice", r.voice);
  f("trigger", r.trigger);
  f("fallbackFrom", r.fallbackFrom);
  f("app", r.app);
  f("bundleId", r.bundleId);
  f("textChars", r.textChars);
  f("sentences", r.sentences);
  f("startSentence", r.startSentence);
  f("startChar", r.startChar);
  f("startReason", r.startReason);
  f("endSentence", r.endSentence);
  f("firstSentenceChars", r.firstSentenceChars);
  f("hotkeyEventLagMs", r.hotkeyEventLagMs);
  f("axWalkMs", r.axWalkMs);
  f("axAttempts", r.axAttempts);
  f("cleanMs", r.cleanMs);
  f("captureDoneMs", r.captureDoneMs);
  f("captureStrategy", r.captureStrategy);
  f("docsSetup", r.docsSetup);
  f("score", r.score);
  f("audioGraphMs", r.audioGraphMs);
  f("connectedMs", r.connectedMs);
  f("connectionReused", r.connectionReused);
  f("requestSentMs", r.requestSentMs);
  f("firstByteMs", r.firstByteMs);
  f("firstAudioScheduledMs", r.firstAudioScheduledMs);
  f("firstAudioSampleMs", r.firstAudioSampleMs);
  f("outputLatencyMs", r.outputLatencyMs);
  f("requestToFirstSampleMs", r.requestToFirstSampleMs);
  f("captureToFirstSampleMs", r.captureToFirstSampleMs);
  f("endedBy", r.endedBy);
  f("wallSec", r.wallSec);
  f("receivedAudioSec", r.receivedAudioSec);
  f("playedAudioSec", r.playedAudioSec);
  f("charsSent", r.charsSent);
  f("sentencesSent", r.sentencesSent);
  f("underruns", r.underruns);
  f("underrunMs", r.underrunMs);
  f("wordsTimed", r.wordsTimed);
  f("sentencesWithWords", r.sentencesWithWords);
  f("wordAlignMismatches", r.wordAlignMismatches);
  f("errors", r.errors);
  f("events", r.events);
}

void to_json(json::Json& j, const ReadTiming& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, ReadTiming& r) { json::readFields(j, r); }

}  // namespace orvak
