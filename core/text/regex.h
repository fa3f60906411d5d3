// Regular expressions with ICU syntax and matching rules: look-behind, `\p{Lu}`, `(?i:...)`,
// `\b`, Unicode-aware `\d` and `\s`.
//
// A `Regex` is a shared, immutable compiled pattern (cheap to copy, safe to use from any thread);
// each call makes its own matcher. Constant patterns go through `Regex::cached`, which compiles a
// (pattern, flags) pair once per process. Keep patterns in raw string literals, and pass user text
// through `escapeRegex` before it goes into a pattern.
//
// Matching runs over UTF-16 and reports UTF-16 ranges; `text::U16Text` carries the UTF-16 form
// with its grapheme map so callers convert once. The UTF-8 overloads are for callers that only
// want strings back.
#pragma once

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/text.h"

namespace orvak::text {

// An invalid pattern, or a match that ICU gave up on (stack or time limit); `what()` holds ICU's
// error name and, for a pattern, the offending position.
struct RegexError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum class RegexFlags : uint32_t {
  none = 0,
  caseInsensitive = UREGEX_CASE_INSENSITIVE,
  multiline = UREGEX_MULTILINE,  // ^ and $ match at line starts and ends
  dotAll = UREGEX_DOTALL,        // . matches line terminators
  comments = UREGEX_COMMENTS,    // white space and #-comments in the pattern are ignored
  literal = UREGEX_LITERAL,      // the whole pattern is literal text
  unixLines = UREGEX_UNIX_LINES,        // only \n ends a line
  unicodeWordBoundaries = UREGEX_UWORD,  // \b by the Unicode word-break rules
};
constexpr RegexFlags operator|(RegexFlags a, RegexFlags b) {
  return static_cast<RegexFlags>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
}

// One match over a UTF-16 subject. Group 0 is the whole match. A group that took no part in the
// match has no range and reads as an empty string. Keeps a copy of the subject (ICU shares the
// buffer, so this costs no copying), so a match stays valid after the subject is gone.
class Match {
 public:
  Match(const icu::UnicodeString& subject, std::vector<U16Range> groups);

  U16Range range() const { return groups_[0]; }
  // Number of capture groups, not counting group 0.
  int groupCount() const { return static_cast<int>(groups_.size()) - 1; }
  // True when group `g` took part in the match (false for out-of-range groups too).
  bool matched(int g) const;
  std::optional<U16Range> groupRange(int g) const;
  icu::UnicodeString group16(int g = 0) const;
  std::string group(int g = 0) const;  // UTF-8

 private:
  icu::UnicodeString subject_;
  std::vector<U16Range> groups_;  // {-1, -1} for a group that took no part
};

// A match with its texts copied out, for the UTF-8 overloads.
struct MatchTexts {
  U16Range range;                    // in the UTF-16 form of the subject
  std::vector<std::string> groups;   // groups[0] is the whole match; "" for a group not taking part
  std::vector<bool> matched;         // matched[g]: group g took part
  bool operator==(const MatchTexts&) const = default;
};

class Regex {
 public:
  // Compiles `pattern` (UTF-8); throws RegexError when it is invalid.
  explicit Regex(std::string_view pattern, RegexFlags flags = RegexFlags::none);
  // The process-wide compiled pattern for (pattern, flags), compiling it on first use. For
  // constant patterns; one-off patterns built from user text should use the constructor.
  static Regex cached(std::string_view pattern, RegexFlags flags = RegexFlags::none);

  const icu::RegexPattern& pattern() const { return *pattern_; }
  int groupCount() const;

  // ---- UTF-16 ----
  // True when a match exists anywhere in `s`.
  bool containsMatch(const icu::UnicodeString& s) const;
  // True when the whole of `s` matches.
  bool matchesWhole(const icu::UnicodeString& s) const;
  // The first match starting at or after UTF-16 offset `from`.
  std::optional<Match> findFirst(const icu::UnicodeString& s, int32_t from = 0) const;
  std::vector<Match> findAll(const icu::UnicodeString& s) const;
  // Calls `visit` for each match in order until it returns false.
  void forEachMatch(const icu::UnicodeString& s, const std::function<bool(const Match&)>& visit) const;
  // Replaces every match by `replacement`, where $n and ${name} insert groups and \ escapes.
  icu::UnicodeString replaceAll(const icu::UnicodeString& s, const icu::UnicodeString& replacement) const;
  // Replaces every match by what `replace` returns for it (taken literally).
  icu::UnicodeString replaceAll(const icu::UnicodeString& s,
                                const std::function<icu::UnicodeString(const Match&)>& replace) const;

  // ---- UTF-8 (converted to UTF-16 for the match; ill-formed input becomes U+FFFD) ----
  bool containsMatch(std::string_view s) const;
  bool matchesWhole(std::string_view s) const;
  std::optional<MatchTexts> firstMatch(std::string_view s) const;
  std::vector<MatchTexts> allMatches(std::string_view s) const;
  std::string replaceAll(std::string_view s, std::string_view replacement) const;
  std::string replaceAll(std::string_view s, const std::function<std::string(const Match&)>& replace) const;

 private:
  explicit Regex(std::shared_ptr<const icu::RegexPattern> p) : pattern_(std::move(p)) {}
  std::unique_ptr<icu::RegexMatcher> matcher(const icu::UnicodeString& s) const;

  std::shared_ptr<const icu::RegexPattern> pattern_;
};

// `text` with every regular-expression metacharacter escaped one by one, so the result matches
// `text` literally in any flags (no \Q...\E, which text containing "\E" would break).
std::string escapeRegex(std::string_view text);

}  // namespace orvak::text
