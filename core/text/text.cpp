// Encodings, character classes, trimming, case and normalisation (graphemes are in
// text_graphemes.cpp).
#include "core/text/text.h"
#include "core/text/icu_length.h"

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <limits>

namespace orvak::text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

const uint8_t* bytes(std::string_view s) { return reinterpret_cast<const uint8_t*>(s.data()); }

icu::StringPiece piece(std::string_view s) { return icu::StringPiece(s.data(), clampedLength(s)); }

}  // namespace

// ---- Encodings ---------------------------------------------------------------------------------

bool isValidUtf8(std::string_view s) {
  const uint8_t* p = bytes(s);
  const int64_t n = static_cast<int64_t>(s.size());
  int64_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(p, i, n, c);
    if (c < 0) return false;
  }
  return true;
}

std::string repairUtf8(std::string_view s) {
  if (isValidUtf8(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() + 8);
  const uint8_t* p = bytes(s);
  const int64_t n = static_cast<int64_t>(s.size());
  int64_t i = 0;
  while (i < n) {
    const int64_t start = i;
    UChar32 c;
    U8_NEXT(p, i, n, c);  // skips one maximal ill-formed subpart when c < 0
    if (c < 0) {
      out += "\xEF\xBF\xBD";
    } else {
      out.append(s.data() + start, static_cast<size_t>(i - start));
    }
  }
  return out;
}

char32_t nextScalar(std::string_view s, size_t& i) {
  const uint8_t* p = bytes(s);
  if (p[i] < 0x80) return p[i++];
  auto at = static_cast<int64_t>(i);
  UChar32 c;
  U8_NEXT(p, at, static_cast<int64_t>(s.size()), c);
  i = static_cast<size_t>(at);
  return c < 0 ? kReplacement : static_cast<char32_t>(c);
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
    return;
  }
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
  uint8_t buffer[4];
  int32_t length = 0;
  U8_APPEND_UNSAFE(buffer, length, static_cast<UChar32>(c));
  out.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length));
}

icu::UnicodeString toUtf16(std::string_view s) { return icu::UnicodeString::fromUTF8(piece(s)); }

std::string toUtf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

std::string toUtf8(const icu::UnicodeString& s, int32_t start, int32_t end) {
  start = std::max(0, std::min(start, s.length()));
  end = std::max(start, std::min(end, s.length()));
  std::string out;
  s.tempSubStringBetween(start, end).toUTF8String(out);
  return out;
}

std::optional<char32_t> firstScalar(std::string_view s) {
  if (s.empty()) return std::nullopt;
  const uint8_t* p = bytes(s);
  if (p[0] < 0x80) return p[0];
  int32_t i = 0;
  UChar32 c;
  U8_NEXT(p, i, clampedLength(s), c);
  return c < 0 ? kReplacement : static_cast<char32_t>(c);
}

// ---- Character classes -------------------------------------------------------------------------

namespace {

UChar32 icuChar(char32_t c) { return static_cast<UChar32>(c); }

// Full upper-case mapping of one scalar with ICU root rules ("ß" gives "SS").
icu::UnicodeString fullUpper(char32_t c) {
  icu::UnicodeString s(icuChar(c));
  s.toUpper(icu::Locale::getRoot());
  return s;
}

}  // namespace

bool isLetter(char32_t c) { return u_hasBinaryProperty(icuChar(c), UCHAR_ALPHABETIC); }

bool isNumber(char32_t c) {
  return u_getIntPropertyValue(icuChar(c), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

bool isWhitespace(char32_t c) { return u_isUWhiteSpace(icuChar(c)); }

bool isNewline(char32_t c) {
  return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isUppercase(char32_t c) {
  const UChar32 u = icuChar(c);
  if (u_isUUppercase(u)) return true;
  if (!u_hasBinaryProperty(u, UCHAR_CASED)) return false;
  // A differing simple mapping means the full mapping differs too; only the few cased scalars
  // without a simple one ("ß", "ŉ", "ª") need the full mapping.
  if (u_toupper(u) != u) return false;
  return fullUpper(c) == icu::UnicodeString(u);
}

bool isAlphanumeric(char32_t c) {
  return (U_GET_GC_MASK(icuChar(c)) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

bool isLetter(std::string_view g) {
  auto c = firstScalar(g);
  return c && isLetter(*c);
}

bool isNumber(std::string_view g) {
  auto c = firstScalar(g);
  return c && isNumber(*c);
}

bool isWhitespace(std::string_view g) {
  auto c = firstScalar(g);
  return c && isWhitespace(*c);
}

bool isNewline(std::string_view g) {
  auto c = firstScalar(g);
  return c && isNewline(*c);
}

bool isAlphanumeric(std::string_view g) {
  auto c = firstScalar(g);
  return c && isAlphanumeric(*c);
}

bool isUppercase(std::string_view g) {
  auto c = firstScalar(g);
  if (!c) return false;
  const size_t firstLength = static_cast<size_t>(U8_LENGTH(icuChar(*c)));
  if (g.size() <= firstLength) return isUppercase(*c);
  // Several scalars: cased (some case mapping changes it) and unchanged by upper-casing.
  const std::string upper = uppercase(g);
  return upper == g && lowercase(g) != g;
}

// ---- Trimming ----------------------------------------------------------------------------------

bool inTrimSet(char32_t c, TrimSet set) {
  const UChar32 u = icuChar(c);
  if (set == TrimSet::whitespaces) return c == 0x09 || u_charType(u) == U_SPACE_SEPARATOR;
  return (c >= 0x09 && c <= 0x0D) || c == 0x85 || (U_GET_GC_MASK(u) & U_GC_Z_MASK) != 0;
}

std::string_view trimStart(std::string_view s, TrimSet set) {
  const uint8_t* p = bytes(s);
  const int32_t n = clampedLength(s);
  int32_t i = 0;
  while (i < n) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(p, i, n, c);
    if (c < 0 || !inTrimSet(static_cast<char32_t>(c), set)) return s.substr(static_cast<size_t>(start));
  }
  return s.substr(s.size());
}

std::string_view trimEnd(std::string_view s, TrimSet set) {
  const uint8_t* p = bytes(s);
  int32_t i = clampedLength(s);
  while (i > 0) {
    const int32_t end = i;
    UChar32 c;
    U8_PREV(p, 0, i, c);
    if (c < 0 || !inTrimSet(static_cast<char32_t>(c), set)) return s.substr(0, static_cast<size_t>(end));
  }
  return s.substr(0, 0);
}

std::string_view trim(std::string_view s, TrimSet set) { return trimEnd(trimStart(s, set), set); }

// ---- Case and normalisation --------------------------------------------------------------------

namespace {

// The root locale: "" (a null locale would mean the default one).
constexpr const char* kRoot = "";

template <class Op>
std::string mapUtf8(std::string_view s, Op op) {
  std::string out;
  out.reserve(s.size());
  icu::StringByteSink<std::string> sink(&out);
  UErrorCode status = U_ZERO_ERROR;
  op(piece(s), sink, status);
  if (U_FAILURE(status)) return std::string(s);  // only on allocation failure
  return out;
}

std::string normalize(const icu::Normalizer2* norm, std::string_view s) {
  UErrorCode status = U_ZERO_ERROR;
  if (norm == nullptr || norm->isNormalizedUTF8(piece(s), status) || U_FAILURE(status)) {
    return std::string(s);
  }
  return mapUtf8(s, [norm](icu::StringPiece p, icu::ByteSink& sink, UErrorCode& st) {
    norm->normalizeUTF8(0, p, sink, nullptr, st);
  });
}

const icu::Normalizer2* nfcInstance() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFCInstance(status);
  return U_SUCCESS(status) ? n : nullptr;
}

const icu::Normalizer2* nfdInstance() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFDInstance(status);
  return U_SUCCESS(status) ? n : nullptr;
}

// The canonical caseless key: NFC(fold(NFD(s))), so canonically equivalent texts fold alike.
std::string foldKey(std::string_view s, uint32_t foldOptions) {
  const std::string folded =
      mapUtf8(normalize(nfdInstance(), s), [foldOptions](icu::StringPiece p, icu::ByteSink& sink,
                                                         UErrorCode& st) {
        icu::CaseMap::utf8Fold(foldOptions, p, sink, nullptr, st);
      });
  return normalize(nfcInstance(), folded);
}

// Case-insensitive key under a locale: its lower-casing rules first (Turkish "I" to "ı", "İ"
// to "i"), then full folding, on NFC forms. NFD first would split "İ" and lose the Turkish rule.
std::string localeFoldKey(std::string_view s, const icu::Locale& locale) {
  const char* name = locale.getName();
  const std::string lowered =
      mapUtf8(normalize(nfcInstance(), s), [name](icu::StringPiece p, icu::ByteSink& sink,
                                                  UErrorCode& st) {
        icu::CaseMap::utf8ToLower(name, 0, p, sink, nullptr, st);
      });
  const std::string folded =
      mapUtf8(lowered, [](icu::StringPiece p, icu::ByteSink& sink, UErrorCode& st) {
        icu::CaseMap::utf8Fold(U_FOLD_CASE_DEFAULT, p, sink, nullptr, st);
      });
  return normalize(nfcInstance(), folded);
}

bool containsFolded(std::string_view haystack, std::string_view needle, const icu::Locale& locale) {
  if (needle.empty()) return false;
  return localeFoldKey(haystack, locale).find(localeFoldKey(needle, locale)) != std::string::npos;
}

}  // namespace

std::string lowercase(std::string_view s) {
  return mapUtf8(s, [](icu::StringPiece p, icu::ByteSink& sink, UErrorCode& st) {
    icu::CaseMap::utf8ToLower(kRoot, 0, p, sink, nullptr, st);
  });
}

std::string uppercase(std::string_view s) {
  return mapUtf8(s, [](icu::StringPiece p, icu::ByteSink& sink, UErrorCode& st) {
    icu::CaseMap::utf8ToUpper(kRoot, 0, p, sink, nullptr, st);
  });
}

std::string caseFold(std::string_view s) { return foldKey(s, U_FOLD_CASE_DEFAULT); }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a == b || caseFold(a) == caseFold(b);
}

int compareIgnoringCase(std::string_view a, std::string_view b) {
  // UTF-8 byte order is code point order.
  const int c = caseFold(a).compare(caseFold(b));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle) {
  return containsFolded(haystack, needle, icu::Locale::getDefault());
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle, const char* locale) {
  return containsFolded(haystack, needle, icu::Locale(locale));
}

std::string nfc(std::string_view s) { return normalize(nfcInstance(), s); }

bool canonicallyEqual(std::string_view a, std::string_view b) { return a == b || nfc(a) == nfc(b); }

std::optional<int32_t> findCanonical(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return std::nullopt;
  // Both in composed form: composing stays inside a grapheme cluster, so grapheme offsets in the
  // composed text are those of the original.
  const std::string h = nfc(haystack);
  const std::string n = nfc(needle);
  const auto at = h.find(n);
  if (at == std::string::npos) return std::nullopt;
  return GraphemeMap(h).graphemeAtUtf8(static_cast<int32_t>(at));
}

}  // namespace orvak::text
