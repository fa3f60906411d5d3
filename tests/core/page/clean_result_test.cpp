#include "core/base/json.h"
#include "core/page/clean_result.h"

#include <gtest/gtest.h>

namespace json = orvak::json;
using orvak::CleanResult;
using orvak::ReadStart;
using orvak::TextSpan;

namespace {

CleanResult sample() {
  CleanResult r;
  r.text = "Title\n\nBody text.";
  r.chars = 17;
  r.region = "#12 AXGroup/AXDocumentArticle depth=5";
  r.regionNodeId = 12;
  r.regionStrategy = "article";
  r.droppedCharsByReason = {{"role", 40}, {"ui-label", 5}};
  r.droppedPiecesByReason = {{"role", 3}, {"ui-label", 1}};
  r.keptPieces = 2;
  r.score = {12, "poor", std::nullopt, 17, 0, 1.0, 0.0, {"short", "few sentences"}};
  r.start = {7, ReadStart::Reason::viewport, 2};
  r.visibleSpans = {{0, 5}, {7, 17}};
  r.spans = {{13, 0, 5}, {14, 7, 17}};
  r.headingStarts = {0};
  return r;
}

}  // namespace

TEST(CleanResultTest, RoundTripsAndWritesEveryKey) {
  const CleanResult r = sample();
  const json::Json j = r;
  for (const char* key : {"text", "chars", "region", "regionNodeId", "regionStrategy", "droppedCharsByReason",
                          "droppedPiecesByReason", "keptPieces", "score", "start", "visibleSpans", "spans",
                          "headingStarts"}) {
    EXPECT_TRUE(j.contains(key)) << key;
  }
  EXPECT_EQ(j.at("start"), json::Json::parse(R"({"offset":7,"reason":"viewport","visibleParagraphs":2})"));
  EXPECT_EQ(j.at("visibleSpans"), json::Json::parse("[[0,5],[7,17]]"));
  EXPECT_EQ(j.at("spans")[1], json::Json::parse(R"({"end":17,"node":14,"start":7})"));
  EXPECT_EQ(json::decode<CleanResult>(json::encode(r)), r);
}

TEST(CleanResultTest, AbsentRegionAndParagraphCountAreLeftOut) {
  CleanResult r;  // the result of an empty node list
  const json::Json j = r;
  EXPECT_EQ(j.at("region"), "none");
  EXPECT_FALSE(j.contains("regionNodeId"));
  EXPECT_EQ(j.at("start"), json::Json::parse(R"({"offset":0,"reason":"top"})"));
  EXPECT_FALSE(j.at("score").contains("blocked"));
  EXPECT_EQ(json::decode<CleanResult>(json::encode(r)), r);
}

TEST(CleanResultTest, DecodingIsStrict) {
  const json::Json good = sample();
  EXPECT_NO_THROW(good.get<CleanResult>());
  const std::vector<std::pair<std::string, json::Json>> faults{
      {"spans", nullptr},                                            // missing list
      {"score", nullptr},                                            // missing nested record
      {"chars", 17.5},                                               // not an integer
      {"visibleSpans", json::Json::parse("[[0,5,9]]")},              // not a pair
      {"droppedCharsByReason", json::Json::parse(R"({"role":"40"})")},  // count as text
      {"start", json::Json::parse(R"({"offset":0,"reason":"middle"})")},  // unknown reason
      {"start", json::Json::parse(R"({"offset":0})")},                // reason missing
      {"headingStarts", json::Json::parse("[1.5]")},
      {"spans", json::Json::parse(R"([{"end":2147483648,"node":14,"start":7}])")},  // beyond an int
      {"visibleSpans", json::Json::parse("[[-2147483649,5]]")},
      {"chars", 4294967297},
  };
  for (const auto& [key, value] : faults) {
    json::Json j = good;
    if (value.is_null()) {
      j.erase(key);
    } else {
      j[key] = value;
    }
    EXPECT_THROW(j.get<CleanResult>(), json::DecodeError) << key << " " << value.dump();
  }
  json::Json score = good;
  score["score"].erase("issues");
  EXPECT_THROW(score.get<CleanResult>(), json::DecodeError);
  json::Json extra = good;
  extra["unknown"] = 1;
  EXPECT_EQ(extra.get<CleanResult>(), sample());
}

TEST(CleanResultTest, OnScreenLooksUpVisibleSpans) {
  CleanResult r;
  EXPECT_EQ(r.onScreen(0), std::nullopt);
  r.visibleSpans = {{0, 10}, {20, 30}};
  for (int inside : {0, 9, 20, 29}) EXPECT_EQ(r.onScreen(inside), true) << inside;
  for (int outside : {10, 19, 30, -1}) EXPECT_EQ(r.onScreen(outside), false) << outside;
}

TEST(CleanResultTest, ReadStartEqualityCountsTheParagraphCount) {
  const ReadStart a{5, ReadStart::Reason::cursor, std::nullopt};
  EXPECT_EQ(a, (ReadStart{5, ReadStart::Reason::cursor, std::nullopt}));
  EXPECT_NE(a, (ReadStart{5, ReadStart::Reason::cursor, 0}));
  EXPECT_NE(a, (ReadStart{5, ReadStart::Reason::top, std::nullopt}));
  EXPECT_EQ(json::encode(a), R"({"offset":5,"reason":"cursor"})");
}
