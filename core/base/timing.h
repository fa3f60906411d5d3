// Wall-clock text stamps and the monotonic clock used by every timing record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvak {

namespace Timestamp {
// The current wall-clock time as ISO-8601 in UTC with milliseconds: 2026-03-14T09:26:53.589Z.
std::string now();
// Milliseconds since the Unix epoch in the same form.
std::string formatMillis(std::int64_t millisSinceEpoch);
// Whole seconds, for dates inside records: 2026-03-14T09:26:53Z (milliseconds are dropped).
std::string formatSeconds(std::int64_t millisSinceEpoch);
// Reads either form (fraction optional, "Z" or a numeric offset); nullopt when it is not one.
std::optional<std::int64_t> parseMillis(std::string_view iso);
}  // namespace Timestamp

namespace Clock {
// Monotonic nanoseconds (virtual in tests).
std::uint64_t now();
// Milliseconds from `start` to now; 0 when `start` lies in the future (or came from another clock).
double ms(std::uint64_t since);
// Milliseconds from a to b, negative when b is earlier.
double ms(std::uint64_t a, std::uint64_t b);
}  // namespace Clock

}  // namespace orvak
