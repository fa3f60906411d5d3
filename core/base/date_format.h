// Dates as people read them in the library: relative days, times, ages and named patterns, in a
// locale and time zone (the user's by default). ICU does the spelling, so the exact words are
// the locale's.
//
// Formatters are made once per thread for each (kind, locale, time zone, pattern), so a list of
// a thousand rows formats without building a formatter per row. Every function is safe from any
// thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/date.h"

namespace orvak::dates {

// Where and how a date is read. Empty fields mean the user's: ICU's default locale (from LANG /
// LC_ALL) and default time zone (from TZ or the system).
struct Zone {
  std::string locale;    // e.g. "en_US"
  std::string timeZone;  // e.g. "America/New_York"
};

// Medium date with short time, a day near today as a relative word ("Today, 9:26 AM").
std::string relativeDateTime(Date d, const Zone& zone = {});
// The short time alone ("9:26 AM").
std::string timeOnly(Date d, const Zone& zone = {});
// How long before (or after) `now` the date is, in the short style and the largest unit that
// fits: "5 min. ago", "3 days ago", "in 2 hr.".
std::string relativeAge(Date d, Date now, const Zone& zone = {});
// The date in the locale's best pattern for a skeleton ("EEEE" -> "Monday", "MMMM d" -> "March 14").
std::string skeleton(Date d, std::string_view skeleton, const Zone& zone = {});
// The date in a fixed pattern, in the locale given (not a skeleton: "yyyy-MM-dd (EEEE)").
std::string pattern(Date d, std::string_view pattern, const Zone& zone);
// Calendar days from the day holding `from` to the day holding `to`, in the zone's time zone
// (0: the same day; 1: `to` is the next day). Non-finite dates count as the epoch.
std::int64_t calendarDaysBetween(Date from, Date to, const Zone& zone = {});

}  // namespace orvak::dates
