#include "core/base/date.h"

#include <algorithm>
#include <cmath>

#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/timing.h"

namespace orvak {

Date Date::now() { return Date{static_cast<double>(dispatch::wallMillis()) / 1000.0}; }

namespace {
// Four-digit years only, so that every text written reads back.
constexpr double kFirst = -62135596800.0;  // 0001-01-01T00:00:00Z
constexpr double kLast = 253402300799.0;   // 9999-12-31T23:59:59Z
}  // namespace

std::string iso8601(Date d) {
  // Clamped first: converting a non-finite or huge double to an integer is undefined.
  double s = std::isfinite(d.sinceEpoch) ? std::floor(d.sinceEpoch) : 0.0;
  s = std::clamp(s, kFirst, kLast);
  return Timestamp::formatSeconds(static_cast<std::int64_t>(s) * 1000);
}

std::optional<Date> parseIso8601(std::string_view text) {
  const auto millis = Timestamp::parseMillis(text);
  if (!millis) return std::nullopt;
  const double seconds = static_cast<double>(*millis) / 1000.0;
  // Year 0, or an offset that moves a date out of years 1 to 9999, could not be written back.
  if (seconds < kFirst || seconds >= kLast + 1) return std::nullopt;
  return Date{seconds};
}

void to_json(json::Json& j, const Date& d) { j = iso8601(d); }

void from_json(const json::Json& j, Date& d) {
  if (!j.is_string()) throw json::DecodeError("expected a date string");
  const auto parsed = parseIso8601(j.get_ref<const std::string&>());
  if (!parsed) throw json::DecodeError("not an ISO-8601 date: " + j.get<std::string>());
  d = *parsed;
}

}  // namespace orvak
