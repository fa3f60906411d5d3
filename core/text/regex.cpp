#include "core/text/regex.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

namespace orvak::text {

namespace {

constexpr U16Range kNoGroup{-1, -1};

[[noreturn]] void fail(std::string what, UErrorCode status) {
  throw RegexError(what + ": " + u_errorName(status));
}

std::shared_ptr<const icu::RegexPattern> compile(std::string_view pattern, RegexFlags flags) {
  UParseError where{};
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(
      toUtf16(pattern), static_cast<uint32_t>(flags), where, status));
  if (U_FAILURE(status) || !compiled) {
    std::string message = "invalid regular expression \"" + repairUtf8(pattern) + "\": " +
                          u_errorName(status);
    if (where.offset >= 0) message += " at offset " + std::to_string(where.offset);
    throw RegexError(message);
  }
  return std::shared_ptr<const icu::RegexPattern>(std::move(compiled));
}

// Compiled constant patterns, shared by the whole process. Bounded so that a caller wrongly
// caching patterns built from user text cannot grow it without end; dropping the table never
// invalidates a `Regex` already handed out, which holds its own reference.
class PatternCache {
 public:
  std::shared_ptr<const icu::RegexPattern> get(std::string_view pattern, RegexFlags flags) {
    Key key{std::string(pattern), static_cast<uint32_t>(flags)};
    {
      std::lock_guard lock(mutex_);
      if (auto it = table_.find(key); it != table_.end()) return it->second;
    }
    // Compile outside the lock; when two threads race, the first one stored wins.
    auto compiled = compile(pattern, flags);
    std::lock_guard lock(mutex_);
    if (table_.size() >= kCapacity) table_.clear();
    return table_.emplace(std::move(key), std::move(compiled)).first->second;
  }

 private:
  using Key = std::pair<std::string, uint32_t>;
  static constexpr size_t kCapacity = 1024;
  std::mutex mutex_;
  std::map<Key, std::shared_ptr<const icu::RegexPattern>> table_;
};

PatternCache& patternCache() {
  static PatternCache cache;
  return cache;
}

Match makeMatch(const icu::RegexMatcher& m, const icu::UnicodeString& s) {
  UErrorCode status = U_ZERO_ERROR;
  const int32_t groups = m.groupCount();
  std::vector<U16Range> ranges;
  ranges.reserve(static_cast<size_t>(groups) + 1);
  for (int32_t g = 0; g <= groups; ++g) {
    const int32_t start = m.start(g, status);
    const int32_t end = m.end(g, status);
    ranges.push_back(U_SUCCESS(status) && start >= 0 ? U16Range{start, end} : kNoGroup);
  }
  return Match(s, std::move(ranges));
}

MatchTexts copyTexts(const Match& m) {
  MatchTexts out;
  out.range = m.range();
  for (int g = 0; g <= m.groupCount(); ++g) {
    out.groups.push_back(m.group(g));
    out.matched.push_back(m.matched(g));
  }
  return out;
}

bool findNext(icu::RegexMatcher& m) {
  UErrorCode status = U_ZERO_ERROR;
  const bool found = m.find(status);
  if (U_FAILURE(status)) fail("regular expression match failed", status);
  return found;
}

}  // namespace

// ---- Match -------------------------------------------------------------------------------------

Match::Match(const icu::UnicodeString& subject, std::vector<U16Range> groups)
    : subject_(subject), groups_(std::move(groups)) {
  if (groups_.empty()) groups_.push_back(kNoGroup);
}

bool Match::matched(int g) const {
  return g >= 0 && g < static_cast<int>(groups_.size()) && groups_[static_cast<size_t>(g)].start >= 0;
}

std::optional<U16Range> Match::groupRange(int g) const {
  if (!matched(g)) return std::nullopt;
  return groups_[static_cast<size_t>(g)];
}

icu::UnicodeString Match::group16(int g) const {
  if (!matched(g)) return {};
  const U16Range r = groups_[static_cast<size_t>(g)];
  return icu::UnicodeString(subject_, r.start, r.length());
}

std::string Match::group(int g) const {
  if (!matched(g)) return {};
  const U16Range r = groups_[static_cast<size_t>(g)];
  return toUtf8(subject_, r.start, r.end);
}

// ---- Regex -------------------------------------------------------------------------------------

Regex::Regex(std::string_view pattern, RegexFlags flags) : pattern_(compile(pattern, flags)) {}

Regex Regex::cached(std::string_view pattern, RegexFlags flags) {
  return Regex(patternCache().get(pattern, flags));
}

int Regex::groupCount() const {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> m(pattern_->matcher(status));
  return U_SUCCESS(status) && m ? m->groupCount() : 0;
}

std::unique_ptr<icu::RegexMatcher> Regex::matcher(const icu::UnicodeString& s) const {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> m(pattern_->matcher(s, status));
  if (U_FAILURE(status) || !m) fail("cannot create a regular expression matcher", status);
  return m;
}

bool Regex::containsMatch(const icu::UnicodeString& s) const { return findNext(*matcher(s)); }

bool Regex::matchesWhole(const icu::UnicodeString& s) const {
  UErrorCode status = U_ZERO_ERROR;
  const bool whole = matcher(s)->matches(status);
  if (U_FAILURE(status)) fail("regular expression match failed", status);
  return whole;
}

std::optional<Match> Regex::findFirst(const icu::UnicodeString& s, int32_t from) const {
  if (from < 0) from = 0;
  if (from > s.length()) return std::nullopt;
  auto m = matcher(s);
  UErrorCode status = U_ZERO_ERROR;
  const bool found = m->find(from, status);
  if (U_FAILURE(status)) fail("regular expression match failed", status);
  if (!found) return std::nullopt;
  return makeMatch(*m, s);
}

void Regex::forEachMatch(const icu::UnicodeString& s,
                         const std::function<bool(const Match&)>& visit) const {
  auto m = matcher(s);
  while (findNext(*m)) {
    if (!visit(makeMatch(*m, s))) return;
  }
}

std::vector<Match> Regex::findAll(const icu::UnicodeString& s) const {
  std::vector<Match> out;
  auto m = matcher(s);
  while (findNext(*m)) out.push_back(makeMatch(*m, s));
  return out;
}

icu::UnicodeString Regex::replaceAll(const icu::UnicodeString& s,
                                     const icu::UnicodeString& replacement) const {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString out = matcher(s)->replaceAll(replacement, status);
  if (U_FAILURE(status)) fail("regular expression replacement failed", status);
  return out;
}

icu::UnicodeString Regex::replaceAll(
    const icu::UnicodeString& s,
    const std::function<icu::UnicodeString(const Match&)>& replace) const {
  icu::UnicodeString out;
  int32_t last = 0;
  forEachMatch(s, [&](const Match& m) {
    out.append(s, last, m.range().start - last);
    out.append(replace(m));
    last = m.range().end;
    return true;
  });
  out.append(s, last, s.length() - last);
  return out;
}

bool Regex::containsMatch(std::string_view s) const { return containsMatch(toUtf16(s)); }

bool Regex::matchesWhole(std::string_view s) const { return matchesWhole(toUtf16(s)); }

std::optional<MatchTexts> Regex::firstMatch(std::string_view s) const {
  const icu::UnicodeString subject = toUtf16(s);
  auto m = findFirst(subject);
  if (!m) return std::nullopt;
  return copyTexts(*m);
}

std::vector<MatchTexts> Regex::allMatches(std::string_view s) const {
  const icu::UnicodeString subject = toUtf16(s);
  std::vector<MatchTexts> out;
  forEachMatch(subject, [&](const Match& m) {
    out.push_back(copyTexts(m));
    return true;
  });
  return out;
}

std::string Regex::replaceAll(std::string_view s, std::string_view replacement) const {
  return toUtf8(replaceAll(toUtf16(s), toUtf16(replacement)));
}

std::string Regex::replaceAll(std::string_view s,
                              const std::function<std::string(const Match&)>& replace) const {
  const icu::UnicodeString subject = toUtf16(s);
  return toUtf8(replaceAll(subject, [&](const Match& m) { return toUtf16(replace(m)); }));
}

// ---- Escaping ----------------------------------------------------------------------------------

std::string escapeRegex(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  const auto n = static_cast<int64_t>(text.size());
  int64_t i = 0;
  while (i < n) {
    const int64_t start = i;
    UChar32 c;
    U8_NEXT(p, i, n, c);
    if (c < 0) {
      out += "\xEF\xBF\xBD";  // ill-formed input stands for U+FFFD, as everywhere else
      continue;
    }
    if (c < 0x80 && !u_isalnum(c) && c > 0x20 && c != 0x7F) {
      // ASCII punctuation: a backslash before a non-alphanumeric makes it literal everywhere,
      // inside and outside sets.
      out += '\\';
      out += static_cast<char>(c);
    } else if (c <= 0x20 || c == 0x7F || u_hasBinaryProperty(c, UCHAR_PATTERN_WHITE_SPACE)) {
      // Controls and pattern white space as code points, so the comments flag cannot drop them.
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "\\x{%X}", static_cast<unsigned>(c));
      out += buffer;
    } else {
      out.append(text.data() + start, static_cast<size_t>(i - start));
    }
  }
  return out;
}

}  // namespace orvak::text
