#include "core/base/date.h"

#include <algorithm>
#include <cmath>

#include "core/base/dispatch.h"
#include "core/base/timing.h"

namespace orvak {

Date Date::now() { return Date{static_cast<double>(dispatch::wallMillis()) / 1000.0}; }

std::string iso8601(Date d) {
  // Clamped first: converting a non-finite or huge double to an integer is undefined.
  constexpr double limit = 253402300799.0;  // 9999-12-31T23:59:59Z
  double s = std::isfinite(d.sinceEpoch) ? std::floor(d.sinceEpoch) : 0.0;
  s = std::clamp(s, -limit, limit);
  return Timestamp::formatSeconds(static_cast<std::int64_t>(s) * 1000);
}

std::optional<Date> parseIso8601(std::string_view text) {
  const auto millis = Timestamp::parseMillis(text);
  if (!millis) return std::nullopt;
  return Date{static_cast<double>(*millis) / 1000.0};
}

void to_json(json::Json& j, const Date& d) { j = iso8601(d); }

void from_json(const json::Json& j, Date& d) {
  if (!j.is_string()) throw json::DecodeError("expected a date string");
  const auto parsed = parseIso8601(j.get_ref<const std::string&>());
  if (!parsed) throw json::DecodeError("not an ISO-8601 date: " + j.get<std::string>());
  d = *parsed;
}

}  // namespace orvak
