#include "core/base/timing.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "core/base/dispatch.h"

namespace orvak {

namespace {

struct Parts {
  tm fields{};
  int millis = 0;
};

Parts split(std::int64_t millisSinceEpoch) {
  // Floor division, so times before 1970 keep a millisecond part in [0, 999].
  std::int64_t secs = millisSinceEpoch / 1000;
  std::int64_t ms = millisSinceEpoch % 1000;
  if (ms < 0) {
    ms += 1000;
    secs -= 1;
  }
  Parts p;
  const time_t t = static_cast<time_t>(secs);
  gmtime_r(&t, &p.fields);
  p.millis = static_cast<int>(ms);
  return p;
}

// Days since 1970-01-01 for a proleptic Gregorian date (Howard Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool digits(std::string_view s, std::size_t pos, std::size_t n, int& out) {
  if (pos + n > s.size()) return false;
  int v = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  out = v;
  return true;
}

}  // namespace

namespace Timestamp {

std::string now() { return formatMillis(dispatch::wallMillis()); }

std::string formatMillis(std::int64_t millisSinceEpoch) {
  const Parts p = split(millisSinceEpoch);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", p.fields.tm_year + 1900, p.fields.tm_mon + 1,
                p.fields.tm_mday, p.fields.tm_hour, p.fields.tm_min, p.fields.tm_sec, p.millis);
  return buf;
}

std::string formatSeconds(std::int64_t millisSinceEpoch) {
  const Parts p = split(millisSinceEpoch);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", p.fields.tm_year + 1900, p.fields.tm_mon + 1,
                p.fields.tm_mday, p.fields.tm_hour, p.fields.tm_min, p.fields.tm_sec);
  return buf;
}

std::optional<std::int64_t> parseMillis(std::string_view s) {
  int year, month, day, hour, minute, second;
  if (!digits(s, 0, 4, year) || s.size() < 19 || s[4] != '-' || !digits(s, 5, 2, month) || s[7] != '-' ||
      !digits(s, 8, 2, day) || (s[10] != 'T' && s[10] != 't') || !digits(s, 11, 2, hour) || s[13] != ':' ||
      !digits(s, 14, 2, minute) || s[16] != ':' || !digits(s, 17, 2, second)) {
    return std::nullopt;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  std::size_t pos = 19;
  int millis = 0;
  if (pos < s.size() && s[pos] == '.') {
    ++pos;
    int scale = 100;
    const std::size_t start = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      millis += (s[pos] - '0') * scale;
      scale /= 10;
      ++pos;
    }
    if (pos == start) return std::nullopt;
  }
  int offsetMinutes = 0;
  if (pos < s.size() && (s[pos] == 'Z' || s[pos] == 'z')) {
    ++pos;
  } else if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
    int oh, om;
    const int sign = s[pos] == '-' ? -1 : 1;
    if (!digits(s, pos + 1, 2, oh)) return std::nullopt;
    std::size_t mpos = pos + 3;
    if (mpos < s.size() && s[mpos] == ':') ++mpos;
    if (!digits(s, mpos, 2, om)) return std::nullopt;
    offsetMinutes = sign * (oh * 60 + om);
    pos = mpos + 2;
  } else {
    return std::nullopt;
  }
  if (pos != s.size()) return std::nullopt;
  const std::int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  const std::int64_t secs = days * 86400 + hour * 3600 + minute * 60 + second - offsetMinutes * 60;
  return secs * 1000 + millis;
}

}  // namespace Timestamp

namespace Clock {

std::uint64_t now() { return dispatch::monotonicNanos(); }

double ms(std::uint64_t since) {
  const std::uint64_t t = now();
  if (since > t) return 0;
  return static_cast<double>(t - since) / 1'000'000.0;
}

double ms(std::uint64_t a, std::uint64_t b) {
  return (static_cast<double>(b) - static_cast<double>(a)) / 1'000'000.0;
}

}  // namespace Clock

}  // namespace orvak
