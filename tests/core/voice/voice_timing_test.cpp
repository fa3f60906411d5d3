#include "core/base/json.h"
#include "core/voice/voice_timing.h"

#include <gtest/gtest.h>

#include <limits>

namespace json = orvak::json;
using orvak::VoiceTiming;

namespace {

VoiceTiming fresh() { return VoiceTiming("2026-03-14T09:26:53.589Z", "hold", "", "MacBook Speakers", true); }

TEST(VoiceTiming, NewRecordWritesOnlyTheGivenFieldsAndPendingOutcome) {
  const json::Json j = json::parse(json::encode(fresh()));
  EXPECT_EQ(j, json::parse(R"({"ts":"2026-03-14T09:26:53.589Z","mode":"hold","engine":"",
      "outputDevice":"MacBook Speakers","echoCancellation":true,"outcome":"pending"})"));
}

TEST(VoiceTiming, SentenceZeroIsWrittenAndEveryFieldRoundTrips) {
  VoiceTiming v = fresh();
  v.transcript = "save a note buy milk";
  v.command = "note";
  v.noteText = "buy milk";
  v.sentence = 0;
  v.quote = "a/b";
  v.intoSentenceSec = 1.25;
  v.injectedOnsetMs = 300;
  v.pauseMs = 41.5;
  v.trueOnsetToPauseMs = 120;
  v.utteranceMs = 900;
  v.sttMs = 210.25;
  v.commandMs = 3;
  v.endToResumeMs = 400;
  v.outcome = "saved";
  const std::string line = json::encode(v);
  EXPECT_NE(line.find(R"("sentence":0)"), std::string::npos);
  EXPECT_NE(line.find(R"("quote":"a/b")"), std::string::npos) << "slashes stay unescaped";
  EXPECT_EQ(json::decode<VoiceTiming>(line), v);
}

TEST(VoiceTiming, NonFiniteFigureIsLeftOutInsteadOfLosingTheRecord) {
  VoiceTiming v = fresh();
  v.sttMs = std::numeric_limits<double>::infinity();
  v.pauseMs = 12;
  const json::Json j = json::parse(json::encode(v));
  EXPECT_FALSE(j.contains("sttMs"));
  EXPECT_EQ(j.at("pauseMs"), 12.0);
}

TEST(VoiceTiming, DecodingIsStrict) {
  EXPECT_THROW(json::decode<VoiceTiming>(R"({"ts":"t","mode":"hold","engine":"","outputDevice":"x",
      "echoCancellation":1,"outcome":"pending"})"), json::DecodeError);
  EXPECT_THROW(json::decode<VoiceTiming>(R"({"ts":"t","mode":"hold","engine":"","outputDevice":"x",
      "echoCancellation":false})"), json::DecodeError);
}

}  // namespace
