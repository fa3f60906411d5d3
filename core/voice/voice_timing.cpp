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

void to_json(json::Json& j, const VoiceTiming& v) {
  j = json::Json::object();
  json::put(j, "ts", v.ts);
  json::put(j, "mode", v.mode);
  json::put(j, "engine", v.engine);
  json::put(j, "outputDevice", v.outputDevice);
  json::put(j, "echoCancellation", v.echoCancellation);
  json::put(j, "transcript", v.transcript);
  json::put(j, "command", v.command);
  json::put(j, "noteText", v.noteText);
  json::put(j, "sentence", v.sentence);
  json::put(j, "quote", v.quote);
  json::put(j, "intoSentenceSec", v.intoSentenceSec);
  json::put(j, "injectedOnsetMs", v.injectedOnsetMs);
  json::put(j, "pauseMs", v.pauseMs);
  json::put(j, "trueOnsetToPauseMs", v.trueOnsetToPauseMs);
  json::put(j, "utteranceMs", v.utteranceMs);
  json::put(j, "sttMs", v.sttMs);
  json::put(j, "commandMs", v.commandMs);
  json::put(j, "endToResumeMs", v.endToResumeMs);
  json::put(j, "outcome", v.outcome);
}

void from_json(const json::Json& j, VoiceTiming& v) {
  v.ts = json::get<std::string>(j, "ts");
  v.mode = json::get<std::string>(j, "mode");
  v.engine = json::get<std::string>(j, "engine");
  v.outputDevice = json::get<std::string>(j, "outputDevice");
  v.echoCancellation = json::get<bool>(j, "echoCancellation");
  v.transcript = json::getOptional<std::string>(j, "transcript");
  v.command = json::getOptional<std::string>(j, "command");
  v.noteText = json::getOptional<std::string>(j, "noteText");
  v.sentence = json::getOptional<std::int64_t>(j, "sentence");
  v.quote = json::getOptional<std::string>(j, "quote");
  v.intoSentenceSec = json::getOptional<double>(j, "intoSentenceSec");
  v.injectedOnsetMs = json::getOptional<double>(j, "injectedOnsetMs");
  v.pauseMs = json::getOptional<double>(j, "pauseMs");
  v.trueOnsetToPauseMs = json::getOptional<double>(j, "trueOnsetToPauseMs");
  v.utteranceMs = json::getOptional<double>(j, "utteranceMs");
  v.sttMs = json::getOptional<double>(j, "sttMs");
  v.commandMs = json::getOptional<double>(j, "commandMs");
  v.endToResumeMs = json::getOptional<double>(j, "endToResumeMs");
  v.outcome = json::get<std::string>(j, "outcome");
}

}  // namespace orvak
