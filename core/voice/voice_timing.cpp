#include "core/voice/voice_timing.h"
#include "core/base/json.h"

namespace orvak {

VoiceTiming::VoiceTiming(std::string ts, std::string mode, std::string engine, std::string outputDevice,
                         bool echoCancellation)
    : ts(std::move(ts)),
      mode(std::move(mode)),
      engine(std::move(engine)),
      outputDevice(std::move(outputDevice)),
      echoCancellation(echoCancellation) {}

void fields(json::Record<VoiceTiming> auto& v, auto&& f) {
  f("ts", v.ts);
  f("mode", v.mode);
  f("engine", v.engine);
  f("outputDevice", v.outputDevice);
  f("echoCancellation", v.echoCancellation);
  f("transcript", v.transcript);
  f("command", v.command);
  f("noteText", v.noteText);
  f("sentence", v.sentence);
  f("quote", v.quote);
  f("intoSentenceSec", v.intoSentenceSec);
  f("injectedOnsetMs", v.injectedOnsetMs);
  f("pauseMs", v.pauseMs);
  f("trueOnsetToPauseMs", v.trueOnsetToPauseMs);
  f("utteranceMs", v.utteranceMs);
  f("sttMs", v.sttMs);
  f("commandMs", v.commandMs);
  f("endToResumeMs", v.endToResumeMs);
  f("outcome", v.outcome);
}

void to_json(json::Json& j, const VoiceTiming& v) { json::writeFields(j, v); }
void from_json(const json::Json& j, VoiceTiming& v) { json::readFields(j, v); }

}  // namespace orvak
