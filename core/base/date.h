// A point in wall-clock time, as the stores keep it: seconds since 1970-01-01 UTC in a double
// (the notes database stores exactly this REAL), with the ISO-8601 text form the JSON files use.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/json_fwd.h"

namespace orvak {

struct Date {
  double sinceEpoch = 0;  // seconds since 1970-01-01T00:00:00Z, fractions allowed

  // The current wall-clock time (virtual time under dispatch::VirtualTime).
  static Date now();
  static Date fromSeconds(double seconds) { return Date{seconds}; }

  auto operator<=>(const Date&) const = default;
};

// "2026-03-14T09:26:53Z": UTC, whole seconds (fractions are dropped towards the past).
std::string iso8601(Date d);

// Reads an internet date-time (fraction optional, "Z" or a numeric offset); nothing otherwise.
std::optional<Date> parseIso8601(std::string_view text);

// In records a date is its iso8601 text; decoding rejects any other text.
void to_json(json::Json& j, const Date& d);
void from_json(const json::Json& j, Date& d);

}  // namespace orvak
