// The single text log: one line per event, "[2026-03-14T09:26:53.589Z] message", written on the
// "orvak.log" queue to standard error and to logs()/orvak.log. Subsystems start their message with
// an area prefix ("notes: ", "account: "). Page text stays out of it unless Privacy allows it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orvak::Log {

// logs()/orvak.log
const std::filesystem::path& url();

// Callable from any thread; returns at once. The time stamp is taken now, on the caller's thread.
// Line breaks and other control characters in `message` are escaped, so one call is one line and
// text from outside cannot forge entries; invalid UTF-8 becomes U+FFFD. Past 10 MB the file is rotated to orvak.log.1.
void write(std::string_view message);

// Waits until every line submitted so far has been written (for tools and tests; the
// application itself never waits for the log).
void flush();

// The line `write` would produce for `message` at `millisSinceEpoch` (without the line feed).
std::string formatLine(std::string_view message, std::int64_t millisSinceEpoch);

// A number as log lines give it: whole, cut toward zero; NaN and infinities as 0, and beyond what
// a long long holds, its limit.
std::string whole(double v);

// How large the file may grow before it is rotated.
inline constexpr std::uintmax_t kRotateBytes = 10u * 1024u * 1024u;

}  // namespace orvak::Log
