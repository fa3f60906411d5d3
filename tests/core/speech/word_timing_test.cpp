#include "core/base/json.h"
#include "core/speech/word_timing.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace json = orvak::json;
using orvak::WordTiming;

TEST(WordTimingTest, RoundTripsWithItsThreeKeys) {
  const WordTiming w{"naïve", 0.25, 0.5};
  EXPECT_EQ(json::encode(w), R"({"end":0.5,"start":0.25,"word":"naïve"})");
  EXPECT_EQ(json::decode<WordTiming>(json::encode(w)), w);

  const std::vector<WordTiming> list{{"a", 0, 0.1}, {"b", 0.1, 0.3}};
  EXPECT_EQ(json::Json::parse(json::dump(list)).get<std::vector<WordTiming>>(), list);
}

TEST(WordTimingTest, DecodingRequiresEveryKeyWithItsType) {
  for (const char* bad : {R"({"start":0,"end":1})", R"({"word":"a","end":1})",
                          R"({"word":"a","start":0})", R"({"word":1,"start":0,"end":1})",
                          R"({"word":"a","start":"0","end":1})", R"(["a",0,1])"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(json::decode<WordTiming>(bad), json::DecodeError);
  }
  // Whole-number times written without a fraction are still numbers.
  EXPECT_EQ(json::decode<WordTiming>(R"({"word":"a","start":1,"end":2})"), (WordTiming{"a", 1, 2}));
}

TEST(WordTimingTest, NonFiniteTimesEncodeAsZero) {
  const WordTiming w{"x", std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()};
  EXPECT_EQ(json::encode(w), R"({"end":0.0,"start":0.0,"word":"x"})");
}
