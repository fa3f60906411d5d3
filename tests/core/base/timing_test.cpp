#include "core/base/json.h"
#include "core/base/timing.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/base/dispatch.h"
#include "core/base/jsonl.h"
#include "core/speech/read_timing.h"
#include "tests/support/temp_home.h"

using namespace orvak;

TEST(TimestampTest, FormatsMillisecondsAndWholeSeconds) {
  EXPECT_EQ(Timestamp::formatMillis(1'773'480'413'589), "2026-03-14T09:26:53.589Z");
  EXPECT_EQ(Timestamp::formatMillis(1'773'480'413'999), "2026-03-14T09:26:53.999Z");
  EXPECT_EQ(Timestamp::formatSeconds(1'773'480'413'999), "2026-03-14T09:26:53Z");
  EXPECT_EQ(Timestamp::formatMillis(-1), "1969-12-31T23:59:59.999Z");
  dispatch::VirtualTime vt;
  vt.setWallMillis(1'773'480'413'999);
  EXPECT_EQ(Timestamp::now(), "2026-03-14T09:26:53.999Z");
  vt.advance(0.001);
  EXPECT_EQ(Timestamp::now(), "2026-03-14T09:26:54.000Z");
}

TEST(TimestampTest, ParsesWhatItWritesAndRejectsTheRest) {
  EXPECT_EQ(Timestamp::parseMillis("2026-03-14T09:26:53.589Z"), 1'773'480'413'589);
  EXPECT_EQ(Timestamp::parseMillis("2026-03-14T09:26:53Z"), 1'773'480'413'000);
  EXPECT_EQ(Timestamp::parseMillis("2026-03-14T10:26:53+01:00"), 1'773'480'413'000);
  for (const char* bad : {"", "2026-03-14", "2026-03-14T09:26:53", "2026-13-14T09:26:53Z", "2026-03-14T09:26:53.Z",
                          "2026-03-14T09:26:53Zjunk"}) {
    EXPECT_FALSE(Timestamp::parseMillis(bad)) << bad;
  }
}

TEST(ClockTest, DifferencesAreSignedOrFlooredAsAsked) {
  dispatch::VirtualTime vt;
  const auto start = Clock::now();
  vt.advance(0.4125);
  EXPECT_DOUBLE_EQ(Clock::ms(start), 412.5);
  EXPECT_EQ(Clock::ms(Clock::now() + 5'000'000), 0.0) << "a start in the future gives 0, not a wrapped value";
  EXPECT_DOUBLE_EQ(Clock::ms(start + 3'000'000, start), -3.0);
}

TEST(ReadTimingTest, NewRecordEncodesOnlyGivenCountingAndListKeys) {
  const ReadTiming r("2026-03-14T09:26:53.589Z", "apple", "system", "en-us", "hotkey", 3.5);
  const auto j = json::Json(r);
  std::vector<std::string> keys;
  for (const auto& [k, v] : j.items()) keys.push_back(k);
  EXPECT_EQ(keys, (std::vector<std::string>{"charsSent", "engine", "errors", "events", "firstSentenceChars",
                                            "hotkeyEventLagMs", "model", "sentences", "sentencesSent",
                                            "sentencesWithWords", "startChar", "startSentence", "textChars", "trigger",
                                            "ts", "underrunMs", "underruns", "voice", "wordAlignMismatches",
                                            "wordsTimed"}));
  EXPECT_EQ(json::decode<ReadTiming>(json::encode(r)), r);
}

TEST(ReadTimingTest, SummaryRoundsHalfToEvenAndDashesAbsentFigures) {
  ReadTiming r("t", "apple", "m", "v", "hotkey", 0);
  EXPECT_EQ(r.summary(),
            "apple \u00B7 capture \u2013 (walk \u2013, clean \u2013) \u00B7 connected \u2013 \u00B7 sent \u2013 "
            "\u00B7 first byte \u2013 \u00B7 first sound \u2013 ms (req\u2192sound \u2013)");
  r.firstAudioSampleMs = 912.2;
  EXPECT_EQ(r.summary(),
            "apple \u00B7 capture \u2013 (walk \u2013, clean \u2013) \u00B7 connected \u2013 \u00B7 sent \u2013 "
            "\u00B7 first byte \u2013 \u00B7 first sound 912 ms (req\u2192sound \u2013)");
  struct Case {
    double ms;
    const char* shown;
  };
  for (const Case c : {Case{412.4, "412"}, Case{412.6, "413"}, Case{412.5, "412"}, Case{413.5, "414"}}) {
    r.captureDoneMs = c.ms;
    EXPECT_NE(r.summary().find(std::string("capture ") + c.shown + " (walk"), std::string::npos) << c.ms;
  }
}

TEST(ReadTimingTest, BadFiguresAndBrokenTextNeverLoseTheRecord) {
  ReadTiming r("t", "inworld", "m", "v\xff", "hotkey", std::numeric_limits<double>::quiet_NaN());
  r.firstByteMs = std::numeric_limits<double>::infinity();
  r.errors.push_back("bad \xed\xa0\x80 surrogate");
  const auto file = test::freshDir("reads") / "reads.jsonl";
  EXPECT_EQ(JSONL::append(r, file), std::nullopt);
  std::ifstream in(file);
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  const auto back = json::decode<ReadTiming>(line);
  EXPECT_EQ(back.hotkeyEventLagMs, 0.0);
  EXPECT_FALSE(back.firstByteMs);
  EXPECT_EQ(back.voice, "v\uFFFD");
  EXPECT_EQ(back.errors.at(0).find('\xed'), std::string::npos);
}
