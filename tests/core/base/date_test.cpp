#include "core/base/date.h"
#include "core/base/json.h"

#include <gtest/gtest.h>

#include <limits>

using namespace orvak;

TEST(DateTest, OnlyYearsOneTo9999Decode) {
  struct Case {
    const char* text;
    bool decodes;
  };
  const Case cases[] = {
      {"0001-01-01T00:00:00Z", true},
      {"9999-12-31T23:59:59Z", true},
      {"2026-03-14T09:26:53.5+01:00", true},
      {"0000-12-31T23:59:59Z", false},        // year 0
      {"0001-01-01T00:30:00+01:00", false},   // the offset moves it into year 0
      {"9999-12-31T23:30:00-01:00", false},   // and here into year 10000
      {"9999-12-31T23:59:60Z", false},        // a leap second past the last second
  };
  for (const auto& c : cases) {
    const auto decoded = parseIso8601(c.text);
    EXPECT_EQ(decoded.has_value(), c.decodes) << c.text;
    if (!decoded) {
      EXPECT_THROW(json::Json(c.text).get<Date>(), json::DecodeError) << c.text;
    } else {
      EXPECT_EQ(json::Json(c.text).get<Date>(), *decoded) << c.text;
      // Whatever reads, writes a text that reads again to the same whole second.
      const auto again = parseIso8601(iso8601(*decoded));
      ASSERT_TRUE(again) << iso8601(*decoded);
      EXPECT_EQ(iso8601(*again), iso8601(*decoded));
    }
  }
}

TEST(DateTest, AnyValueEncodesToATextThatDecodes) {
  for (double s : {-1e300, -62135596801.5, 0.0, 1773480413.75, 253402300800.0, 1e300,
                   std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_TRUE(parseIso8601(iso8601(Date{s}))) << s << " -> " << iso8601(Date{s});
  }
}
