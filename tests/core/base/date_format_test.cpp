#include "core/base/date_format.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

using namespace orvak;

namespace {

const dates::Zone newYork{"en_US", "America/New_York"};
// 2026-03-14T13:26:53Z, a Saturday: 09:26 in New York.
constexpr double kSaturday = 1773494813;

TEST(DateFormatTest, NamedPatternsInTheZone) {
  const Date d{kSaturday};
  EXPECT_EQ(dates::skeleton(d, "MMMM d", newYork), "March 14");
  EXPECT_EQ(dates::skeleton(d, "EEEE", newYork), "Saturday");
  EXPECT_EQ(dates::skeleton(d, "EEEE, MMM d", newYork), "Saturday, Mar 14");
  EXPECT_EQ(dates::pattern(d, "yyyy-MM-dd (EEEE)", {"en_US_POSIX", "America/New_York"}), "2026-03-14 (Saturday)");
  // The same instant is already Sunday at UTC+14.
  EXPECT_EQ(dates::skeleton(d, "EEEE", {"en_US", "Pacific/Kiritimati"}), "Sunday");
  EXPECT_EQ(dates::skeleton(d, "EEEE", {"de_DE", "America/New_York"}), "Samstag");
  const std::string time = dates::timeOnly(d, newYork);
  EXPECT_EQ(time.substr(0, 4), "9:26") << time;
}

// ICU words a near day against the real clock, so the day is taken from it here.
TEST(DateFormatTest, ARelativeDayIsWrittenAsItStandsAlone) {
  const double realNow = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  const std::string today = dates::relativeDateTime(Date{realNow}, newYork);
  EXPECT_EQ(today.substr(0, 5), "Today") << today;
  const std::string longAgo = dates::relativeDateTime(Date{kSaturday - 3650 * 86400.0}, newYork);
  EXPECT_EQ(longAgo.substr(0, 3), "Mar") << longAgo;
}

TEST(DateFormatTest, CalendarDaysFollowTheZonesMidnight) {
  const struct {
    double from, to;
    std::int64_t days;
  } cases[] = {
      {kSaturday, kSaturday, 0},
      {kSaturday, kSaturday + 86400, 1},
      {kSaturday + 86400 * 6, kSaturday, -6},
      // 23:30 and 00:30 New York time: one UTC day, two local ones.
      {kSaturday + 14 * 3600 + 4 * 60, kSaturday + 15 * 3600 + 4 * 60, 1},
      {NAN, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dates::calendarDaysBetween(Date{c.from}, Date{c.to}, newYork), c.days) << c.from << " -> " << c.to;
  }
}

TEST(DateFormatTest, RelativeAgeTakesTheLargestUnitThatFits) {
  const Date now{kSaturday};
  const struct {
    double before;
    std::string want;
  } cases[] = {
      {30, "30 sec. ago"},
      {5 * 60 + 59, "5 min. ago"},
      {3 * 3600, "3 hr. ago"},
      {3 * 86400, "3 days ago"},
      {15 * 86400, "2 wk. ago"},
      {-2 * 3600, "in 2 hr."},
  };
  for (const auto& c : cases) EXPECT_EQ(dates::relativeAge(Date{now.sinceEpoch - c.before}, now, newYork), c.want);
  EXPECT_FALSE(dates::relativeAge(Date{INFINITY}, now, newYork).empty());
}

}  // namespace
