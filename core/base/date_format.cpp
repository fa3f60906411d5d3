#include "core/base/date_format.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>

#include "core/text/text.h"

namespace orvak::dates {

namespace {

icu::Locale localeOf(const Zone& zone) {
  return zone.locale.empty() ? icu::Locale::getDefault() : icu::Locale(zone.locale.c_str());
}

icu::TimeZone* timeZoneOf(const Zone& zone) {
  if (zone.timeZone.empty()) return icu::TimeZone::createDefault();
  return icu::TimeZone::createTimeZone(text::toUtf16(zone.timeZone));
}

// A non-finite or huge date would be undefined once ICU turns it into integer fields: clamped to
// the 275,000 years either side of 1970 that every calendar handles.
UDate millis(Date d) {
  constexpr double limit = 8.64e15;
  if (!std::isfinite(d.sinceEpoch)) return 0.0;
  return std::clamp(d.sinceEpoch * 1000.0, -limit, limit);
}

// The cache key of one formatter: its kind, the zone (the defaults resolved, so a changed default
// locale or time zone makes a new formatter) and its pattern.
std::string keyOf(std::string_view kind, const Zone& zone, std::string_view pattern) {
  std::string key(kind);
  key += '\x1f';
  key += localeOf(zone).getName();
  key += '\x1f';
  if (zone.timeZone.empty()) {
    std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createDefault());
    icu::UnicodeString id;
    key += text::toUtf8(tz->getID(id));
  } else {
    key += zone.timeZone;
  }
  key += '\x1f';
  key += pattern;
  return key;
}

template <class T>
using Cache = std::map<std::string, std::unique_ptr<T>>;

template <class T, class Make>
T* cached(Cache<T>& cache, const std::string& key, Make make) {
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, make()).first;
  return it->second.get();
}

// A date formatter in the zone's time zone; none when ICU could not make one.
icu::DateFormat* withZone(icu::DateFormat* f, const Zone& zone) {
  if (f) f->adoptTimeZone(timeZoneOf(zone));
  return f;
}

std::string format(icu::DateFormat* f, Date d) {
  if (!f) return iso8601(d);
  icu::UnicodeString out;
  f->format(millis(d), out);
  return text::toUtf8(out);
}

icu::DateFormat* dateFormat(std::string_view kind, std::string_view pattern, const Zone& zone,
                            const std::function<icu::DateFormat*()>& make) {
  thread_local Cache<icu::DateFormat> cache;
  return cached(cache, keyOf(kind, zone, pattern), [&] { return std::unique_ptr<icu::DateFormat>(withZone(make(), zone)); });
}

}  // namespace

std::string relativeDateTime(Date d, const Zone& zone) {
  return format(dateFormat("relative", "", zone,
                           [&] {
                             icu::DateFormat* f = icu::DateFormat::createDateTimeInstance(
                                 icu::DateFormat::kMediumRelative, icu::DateFormat::kShort, localeOf(zone));
                             // The day's word stands alone in a line of the library ("· Today, 9:26 AM"),
                             // written as the day headings write it, not "today" as inside a sentence.
                             UErrorCode status = U_ZERO_ERROR;
                             if (f) f->setContext(UDISPCTX_CAPITALIZATION_FOR_STANDALONE, status);
                             return f;
                           }),
                d);
}

std::string timeOnly(Date d, const Zone& zone) {
  return format(dateFormat("time", "", zone,
                           [&] { return icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, localeOf(zone)); }),
                d);
}

std::string skeleton(Date d, std::string_view skeleton, const Zone& zone) {
  return format(dateFormat("skeleton", skeleton, zone,
                           [&]() -> icu::DateFormat* {
                             UErrorCode status = U_ZERO_ERROR;
                             const icu::Locale locale = localeOf(zone);
                             std::unique_ptr<icu::DateTimePatternGenerator> gen(
                                 icu::DateTimePatternGenerator::createInstance(locale, status));
                             if (U_FAILURE(status)) return nullptr;
                             const icu::UnicodeString best = gen->getBestPattern(text::toUtf16(skeleton), status);
                             if (U_FAILURE(status)) return nullptr;
                             auto f = std::make_unique<icu::SimpleDateFormat>(best, locale, status);
                             return U_FAILURE(status) ? nullptr : f.release();
                           }),
                d);
}

std::string pattern(Date d, std::string_view pattern, const Zone& zone) {
  return format(dateFormat("pattern", pattern, zone,
                           [&]() -> icu::DateFormat* {
                             UErrorCode status = U_ZERO_ERROR;
                             auto f = std::make_unique<icu::SimpleDateFormat>(text::toUtf16(pattern), localeOf(zone), status);
                             return U_FAILURE(status) ? nullptr : f.release();
                           }),
                d);
}

std::string relativeAge(Date d, Date now, const Zone& zone) {
  thread_local Cache<icu::RelativeDateTimeFormatter> cache;
  auto* f = cached(cache, keyOf("age", zone, ""), [&]() -> std::unique_ptr<icu::RelativeDateTimeFormatter> {
    UErrorCode status = U_ZERO_ERROR;
    auto made = std::make_unique<icu::RelativeDateTimeFormatter>(localeOf(zone), nullptr, UDAT_STYLE_SHORT,
                                                                 UDISPCTX_CAPITALIZATION_NONE, status);
    return U_FAILURE(status) ? nullptr : std::move(made);
  });
  const double delta = (millis(d) - millis(now)) / 1000.0;
  const double size = std::fabs(delta);
  struct Step {
    double below;  // seconds
    double unit;   // seconds per unit
    URelativeDateTimeUnit name;
  };
  static constexpr Step steps[] = {
      {60, 1, UDAT_REL_UNIT_SECOND},          {3600, 60, UDAT_REL_UNIT_MINUTE},
      {86400, 3600, UDAT_REL_UNIT_HOUR},      {604800, 86400, UDAT_REL_UNIT_DAY},
      {2629800, 604800, UDAT_REL_UNIT_WEEK},  {31557600, 2629800, UDAT_REL_UNIT_MONTH},
      {INFINITY, 31557600, UDAT_REL_UNIT_YEAR},
  };
  const Step* step = &steps[0];
  while (size >= step->below) ++step;
  const double count = std::copysign(std::floor(size / step->unit), delta);
  if (!f) return iso8601(d);
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString out;
  f->formatNumeric(count == 0 ? 0.0 : count, step->name, out, status);
  return U_FAILURE(status) ? iso8601(d) : text::toUtf8(out);
}

std::int64_t calendarDaysBetween(Date from, Date to, const Zone& zone) {
  thread_local Cache<icu::Calendar> cache;
  auto* cal = cached(cache, keyOf("calendar", zone, ""), [&]() -> std::unique_ptr<icu::Calendar> {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> made(icu::Calendar::createInstance(timeZoneOf(zone), localeOf(zone), status));
    return U_FAILURE(status) ? nullptr : std::move(made);
  });
  if (!cal) return static_cast<std::int64_t>(std::floor(millis(to) / 86400000.0) - std::floor(millis(from) / 86400000.0));
  const auto julianDay = [&](Date d) -> std::int64_t {
    UErrorCode status = U_ZERO_ERROR;
    cal->setTime(millis(d), status);
    const std::int32_t day = cal->get(UCAL_JULIAN_DAY, status);
    return U_FAILURE(status) ? 0 : day;
  };
  return julianDay(to) - julianDay(from);
}

}  // namespace orvak::dates
