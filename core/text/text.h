// Unicode text for the whole program: encodings, user-perceived characters, character classes,
// trimming, case and normalisation. Regular expressions live in core/regex.h.
//
// Every interface carries UTF-8 `std::string`. Text from outside (Accessibility, network) is
// repaired once at the boundary with `repairUtf8`; the functions below assume valid UTF-8 and
// never crash on invalid input, but their answers for it are unspecified.
//
// A "character" is an extended grapheme cluster: "é" precomposed or decomposed is 1, a flag is
// 1, "\r\n" is 1. Offsets in the page pipeline count graphemes; UTF-16 offsets appear only where
// regular expressions and Accessibility ranges meet the text, and `GraphemeMap` converts between
// graphemes, UTF-16 units and UTF-8 bytes.
//
// Everything here is thread-safe: the grapheme iterators are kept per thread. Functions that
// return a std::string_view return a view into their argument, which must outlive it.
#pragma once

#include <unicode/unistr.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvak::text {

// ---- Encodings ---------------------------------------------------------------------------------

// True when `s` is well-formed UTF-8 (no encoded surrogates, no overlongs).
bool isValidUtf8(std::string_view s);
// `s` with every ill-formed sequence (each maximal ill-formed subpart, encoded surrogates
// included) replaced by U+FFFD. Never throws; valid input comes back unchanged.
std::string repairUtf8(std::string_view s);

// The scalar at byte `i` of `s` (i < s.size()), moving `i` past it; an ill-formed sequence reads
// as U+FFFD and is passed over as one maximal ill-formed subpart, as `repairUtf8` does.
char32_t nextScalar(std::string_view s, size_t& i);
// Appends `c` as UTF-8; a surrogate or a value past U+10FFFF is written as U+FFFD.
void appendUtf8(std::string& out, char32_t c);
// UTF-16 units of scalar `c`.
constexpr int32_t utf16Length(char32_t c) { return c > 0xFFFF ? 2 : 1; }

// UTF-8 to UTF-16; ill-formed input becomes U+FFFD.
icu::UnicodeString toUtf16(std::string_view s);
// UTF-16 to UTF-8; lone surrogates become U+FFFD.
std::string toUtf8(const icu::UnicodeString& s);
// The UTF-16 units [start, end) of `s` as UTF-8 (the range is clamped to the text).
std::string toUtf8(const icu::UnicodeString& s, int32_t start, int32_t end);

// A half-open range of UTF-16 units.
struct U16Range {
  int32_t start = 0;
  int32_t end = 0;
  int32_t length() const { return end - start; }
  bool operator==(const U16Range&) const = default;
};

// A half-open range of graphemes.
struct GraphemeRange {
  int32_t start = 0;
  int32_t end = 0;
  int32_t length() const { return end - start; }
  bool operator==(const GraphemeRange&) const = default;
};

// ---- Graphemes ---------------------------------------------------------------------------------

// The number of graphemes of `s`.
int32_t graphemeCount(std::string_view s);
int32_t graphemeCount(const icu::UnicodeString& s);
// The first `n` graphemes of `s` (all of it when it has fewer); a view into `s`.
std::string_view graphemePrefix(std::string_view s, int32_t n);
// `count` graphemes of `s` starting at grapheme `start` (clamped to the text); a view into `s`.
std::string_view graphemeSubstring(std::string_view s, int32_t start, int32_t count);
// Every grapheme of `s` in order, as views into `s`.
std::vector<std::string_view> graphemes(std::string_view s);

// Offsets of every grapheme boundary of one text, in graphemes, UTF-16 units and UTF-8 bytes.
// Built once per text in one pass (ASCII runs skip the break iterator); grapheme -> unit lookups
// are O(1), unit -> grapheme lookups O(log n).
//
// Rounding rule: a UTF-16 or UTF-8 offset inside a cluster maps to the cluster containing it
// (rounds down); `graphemeRange` rounds a range's end up instead, so the result covers every
// cluster the range touches. Offsets below 0 clamp to 0, offsets past the end to the end.
//
// Built from UTF-16, the UTF-8 offsets are those of `toUtf8` of that text (a lone surrogate
// counts as the 3 bytes of U+FFFD).
class GraphemeMap {
 public:
  GraphemeMap() = default;  // the empty text
  explicit GraphemeMap(std::string_view utf8);
  explicit GraphemeMap(const icu::UnicodeString& utf16);

  // Number of graphemes.
  int32_t count() const { return count_; }
  int32_t utf16Length() const { return u16Length_; }
  int32_t utf8Length() const { return u8Length_; }

  // Where grapheme `g` starts (g == count gives the text's length).
  int32_t utf16Offset(int32_t g) const;
  int32_t utf8Offset(int32_t g) const;
  // The grapheme containing UTF-16 unit / UTF-8 byte `offset` (the length gives count()).
  int32_t graphemeAtUtf16(int32_t offset) const;
  int32_t graphemeAtUtf8(int32_t offset) const;
  // The smallest grapheme range covering the UTF-16 range `r`.
  GraphemeRange graphemeRange(U16Range r) const;
  // The UTF-16 range of graphemes `r`.
  U16Range utf16Range(GraphemeRange r) const;
  // UTF-16 <-> UTF-8 through the cluster containing the offset (exact at cluster boundaries).
  int32_t utf8OffsetOfUtf16(int32_t offset) const { return utf8Offset(graphemeAtUtf16(offset)); }
  int32_t utf16OffsetOfUtf8(int32_t offset) const { return utf16Offset(graphemeAtUtf8(offset)); }

 private:
  int32_t clampG(int32_t g) const { return g < 0 ? 0 : (g > count_ ? count_ : g); }

  int32_t count_ = 0;
  int32_t u16Length_ = 0;
  int32_t u8Length_ = 0;
  // Boundary offsets, count_ + 1 entries each; left empty when the text is ASCII without
  // "\r\n", where all three offsets coincide.
  std::vector<int32_t> u16_;
  std::vector<int32_t> u8_;
};

// A text converted to UTF-16 once, with its grapheme map: what the regular-expression and
// Accessibility code passes around so that nobody converts twice.
class U16Text {
 public:
  U16Text() = default;
  explicit U16Text(std::string_view utf8);  // ill-formed input becomes U+FFFD
  explicit U16Text(icu::UnicodeString utf16);

  const icu::UnicodeString& str() const { return str_; }
  const GraphemeMap& map() const { return map_; }
  int32_t length() const { return str_.length(); }  // UTF-16 units
  int32_t graphemeCount() const { return map_.count(); }
  std::string utf8() const { return toUtf8(str_); }
  std::string utf8(U16Range r) const { return toUtf8(str_, r.start, r.end); }

 private:
  icu::UnicodeString str_;
  GraphemeMap map_;
};

// ---- Character classes -------------------------------------------------------------------------
//
// For a scalar (code point) and for a grapheme given as UTF-8; a grapheme answers for its first
// scalar except `isUppercase`. An empty grapheme is in no class.

bool isLetter(char32_t c);        // Alphabetic
bool isNumber(char32_t c);        // has a Numeric_Type
bool isWhitespace(char32_t c);    // White_Space
bool isNewline(char32_t c);       // U+000A-U+000D, U+0085, U+2028, U+2029
bool isUppercase(char32_t c);     // Uppercase, or cased and unchanged by upper-casing
bool isAlphanumeric(char32_t c);  // general category L*, M* or N*

bool isLetter(std::string_view grapheme);
bool isNumber(std::string_view grapheme);
bool isWhitespace(std::string_view grapheme);
bool isNewline(std::string_view grapheme);
// A single scalar with the Uppercase property, else a cased grapheme that upper-casing leaves
// unchanged (decomposed "É" is upper case, "ǅ" is not).
bool isUppercase(std::string_view grapheme);
bool isAlphanumeric(std::string_view grapheme);

// The first scalar of `s` (U+FFFD when ill-formed), or none for an empty text.
std::optional<char32_t> firstScalar(std::string_view s);

// ---- Trimming ----------------------------------------------------------------------------------

enum class TrimSet {
  whitespaces,             // Zs plus tab: horizontal space, never a line break
  whitespacesAndNewlines,  // Zs, Zl, Zp plus U+0009-U+000D and U+0085
};
bool inTrimSet(char32_t c, TrimSet set);
// `s` without the leading and trailing scalars of `set`; a view into `s`.
std::string_view trim(std::string_view s, TrimSet set = TrimSet::whitespacesAndNewlines);
std::string_view trimStart(std::string_view s, TrimSet set = TrimSet::whitespacesAndNewlines);
std::string_view trimEnd(std::string_view s, TrimSet set = TrimSet::whitespacesAndNewlines);

// ---- Case and normalisation --------------------------------------------------------------------

// Full Unicode case mapping without locale rules (ICU root): "ẞ" lowers to "ß", "ß" uppers to "SS".
std::string lowercase(std::string_view s);
std::string uppercase(std::string_view s);
// Full case folding (no Turkic rules) of the NFC form: the key for case-insensitive equality.
std::string caseFold(std::string_view s);
// Case-insensitive, canonical equality ("Straße" equals "STRASSE", "É" equals "e\u0301").
bool equalsIgnoringCase(std::string_view a, std::string_view b);
// Orders by the folded keys in code point order: < 0, 0 or > 0 (not a collation: for sorting
// keys stably, not for showing lists to people).
int compareIgnoringCase(std::string_view a, std::string_view b);

// True when `haystack` contains `needle` ignoring case under the user's locale (ICU's default
// locale, from LANG / LC_ALL), comparing canonical forms. An empty needle is never contained.
bool containsIgnoringCase(std::string_view haystack, std::string_view needle);
// The same under an explicit locale ("tr": "I" and "ı" match, "İ" and "i" match).
bool containsIgnoringCase(std::string_view haystack, std::string_view needle, const char* locale);

// The NFC form of `s`.
std::string nfc(std::string_view s);
// Canonical equality: NFC forms compare equal ("é" == "e\u0301").
bool canonicallyEqual(std::string_view a, std::string_view b);
// Where `needle` first occurs in `haystack`, in graphemes from its start: case-sensitive, no
// locale, canonically equivalent sequences matching ("é" finds "e\u0301"). None when absent or
// when `needle` is empty.
std::optional<int32_t> findCanonical(std::string_view haystack, std::string_view needle);

}  // namespace orvak::text
