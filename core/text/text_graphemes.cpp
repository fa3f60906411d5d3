// User-perceived characters: grapheme boundaries, counts and offset maps.
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <type_traits>

#include "core/text/icu_length.h"
#include "core/text/text.h"

namespace orvak::text {

namespace {

using BreakIteratorPtr = std::unique_ptr<icu::BreakIterator>;

// Character break iterators are costly to create and not thread-safe, so each thread keeps a
// small pool of its own. A lease takes one (or creates it) and gives it back when done, so nested
// walks on one thread (a callback walking another text) never share an iterator.
class IteratorLease {
 public:
  IteratorLease() {
    auto& free = pool();
    if (!free.empty()) {
      it_ = std::move(free.back());
      free.pop_back();
    } else {
      UErrorCode status = U_ZERO_ERROR;
      it_.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
      if (U_FAILURE(status)) it_.reset();
    }
  }
  ~IteratorLease() {
    if (it_) pool().push_back(std::move(it_));
  }
  IteratorLease(const IteratorLease&) = delete;
  IteratorLease& operator=(const IteratorLease&) = delete;

  icu::BreakIterator* get() const { return it_.get(); }

 private:
  static std::vector<BreakIteratorPtr>& pool() {
    thread_local std::vector<BreakIteratorPtr> free;
    return free;
  }
  BreakIteratorPtr it_;
};

// What the walker needs to know of a code point's grapheme break property.
enum class BreakClass : uint8_t {
  standsAlone,  // Other: joins nothing on its right but marks and joiners
  breaksAfter,  // Control, LF: nothing joins it
  joinsLeft,    // Extend, ZWJ, SpacingMark: joins what is on its left
  special,      // CR, Prepend, Hangul, regional indicators: left to the iterator
};

BreakClass classify(UChar32 c) {
  switch (u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK)) {
    case U_GCB_OTHER: return BreakClass::standsAlone;
    case U_GCB_CONTROL:
    case U_GCB_LF: return BreakClass::breaksAfter;
    case U_GCB_EXTEND:
    case U_GCB_ZWJ:
    case U_GCB_SPACING_MARK: return BreakClass::joinsLeft;
    default: return BreakClass::special;
  }
}

// The property lookup is the walker's hottest step, so the BMP is tabled once (immutable after).
BreakClass breakClass(UChar32 c) {
  static const std::vector<BreakClass> bmp = [] {
    std::vector<BreakClass> t(0x10000);
    for (UChar32 u = 0; u < 0x10000; ++u) t[static_cast<size_t>(u)] = classify(u);
    return t;
  }();
  return c < 0x10000 ? bmp[static_cast<size_t>(c)] : classify(c);
}

template <class Unit>
uint32_t unitAt(const Unit* s, int32_t i) {
  if constexpr (std::is_same_v<Unit, char>) {
    return static_cast<unsigned char>(s[i]);
  } else {
    return static_cast<uint32_t>(s[i]);
  }
}

// Walks the grapheme boundaries of UTF-8 (`char`) or UTF-16 (`char16_t`) text from its start.
// Between two ASCII units the only cluster is "\r\n", so ASCII runs are stepped here and the
// break iterator (set up on first need) only sees the text around non-ASCII characters.
template <class Unit>
class BoundaryWalker {
 public:
  BoundaryWalker(const Unit* s, int32_t n) : s_(s), n_(n) {}
  ~BoundaryWalker() {
    if (textOpen_) utext_close(&text_);
  }
  BoundaryWalker(const BoundaryWalker&) = delete;
  BoundaryWalker& operator=(const BoundaryWalker&) = delete;

  int32_t position() const { return pos_; }
  bool atEnd() const { return pos_ >= n_; }

  // Moves to the next boundary and returns it; at the end, stays there and returns the length.
  int32_t next() {
    if (pos_ >= n_) return n_;
    const int32_t p = pos_;
    const uint32_t c = unitAt(s_, p);
    int32_t q;
    if (c < 0x80 && (p + 1 >= n_ || unitAt(s_, p + 1) < 0x80)) {
      q = (c == '\r' && p + 1 < n_ && unitAt(s_, p + 1) == '\n') ? p + 2 : p + 1;
    } else {
      q = nonAscii(p);
    }
    pos_ = q;
    return q;
  }

 private:
  // Most characters of most scripts stand alone: a character of break class Other followed by
  // anything but a mark or joiner ends its cluster, and nothing after a control joins it, whatever
  // came before (every rule that joins across a boundary needs a mark, joiner, regional indicator,
  // Hangul jamo, prepend or carriage return on its left). Only the rest asks the iterator.
  int32_t nonAscii(int32_t p) {
    int32_t i = p;
    const UChar32 c = decode(i);
    if (c < 0) return viaIterator(p);
    const BreakClass left = breakClass(c);
    if (left == BreakClass::breaksAfter) return i;
    if (left != BreakClass::standsAlone) return viaIterator(p);
    if (i >= n_) return i;
    int32_t j = i;
    const UChar32 d = decode(j);
    if (d < 0 || breakClass(d) == BreakClass::joinsLeft) return viaIterator(p);
    return i;
  }

  // The code point at `i` (advancing it), negative when ill-formed.
  UChar32 decode(int32_t& i) const {
    UChar32 c;
    if constexpr (std::is_same_v<Unit, char>) {
      U8_NEXT(reinterpret_cast<const uint8_t*>(s_), i, n_, c);
    } else {
      U16_NEXT(s_, i, n_, c);
      if (U_IS_SURROGATE(c)) c = -1;
    }
    return c;
  }

  int32_t viaIterator(int32_t p) {
    if (!started_) start();
    int32_t q = icu::BreakIterator::DONE;
    if (iterator_ != nullptr) q = (iteratorPos_ == p) ? iterator_->next() : iterator_->following(p);
    if (q == icu::BreakIterator::DONE || q <= p || q > n_) q = nextScalar(p);
    iteratorPos_ = q;
    return q;
  }

  // Without an iterator (ICU data missing), fall back to one scalar per character.
  int32_t nextScalar(int32_t p) const {
    int32_t i = p;
    if constexpr (std::is_same_v<Unit, char>) {
      U8_FWD_1(reinterpret_cast<const uint8_t*>(s_), i, n_);
    } else {
      U16_FWD_1(s_, i, n_);
    }
    return i;
  }

  void start() {
    started_ = true;
    UErrorCode status = U_ZERO_ERROR;
    if constexpr (std::is_same_v<Unit, char>) {
      utext_openUTF8(&text_, s_, n_, &status);
    } else {
      utext_openUChars(&text_, s_, n_, &status);
    }
    if (U_FAILURE(status)) return;
    textOpen_ = true;
    if (lease_.get() == nullptr) return;
    lease_.get()->setText(&text_, status);
    if (U_SUCCESS(status)) iterator_ = lease_.get();
  }

  const Unit* s_;
  int32_t n_;
  int32_t pos_ = 0;
  bool started_ = false;
  bool textOpen_ = false;
  UText text_ = UTEXT_INITIALIZER;
  IteratorLease lease_;
  icu::BreakIterator* iterator_ = nullptr;
  int32_t iteratorPos_ = -1;
};

// ASCII without "\r\n": graphemes, UTF-16 units and UTF-8 bytes coincide.
template <class Unit>
bool isPlainAscii(const Unit* s, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t c = unitAt(s, i);
    if (c >= 0x80) return false;
    if (c == '\r' && i + 1 < n && unitAt(s, i + 1) == '\n') return false;
  }
  return true;
}

// The break iterator runs about twice as fast over UTF-16 as over UTF-8, which pays for converting
// text with much non-ASCII in it (ASCII is stepped without the iterator either way). Ill-formed
// text stays as it is, so its offsets remain those of the caller's bytes.
bool worthConverting(std::string_view s) {
  size_t nonAscii = 0;
  for (const char c : s) nonAscii += static_cast<unsigned char>(c) >> 7;
  return nonAscii * 8 > s.size() && isValidUtf8(s);
}

template <class Unit>
int32_t countBoundaries(const Unit* s, int32_t n) {
  BoundaryWalker<Unit> walker(s, n);
  int32_t count = 0;
  while (!walker.atEnd()) {
    walker.next();
    ++count;
  }
  return count;
}

// Advances `walker` by up to `n` graphemes.
void skip(BoundaryWalker<char>& walker, int32_t n) {
  for (int32_t i = 0; i < n && !walker.atEnd(); ++i) walker.next();
}

}  // namespace

// ---- Counting and slicing ----------------------------------------------------------------------

int32_t graphemeCount(std::string_view s) {
  if (s.size() >= 4096 && worthConverting(s)) return graphemeCount(toUtf16(s));
  return countBoundaries(s.data(), clampedLength(s));
}

int32_t graphemeCount(const icu::UnicodeString& s) {
  return countBoundaries(s.getBuffer(), s.length());
}

std::string_view graphemePrefix(std::string_view s, int32_t n) {
  BoundaryWalker<char> walker(s.data(), clampedLength(s));
  skip(walker, n);
  return s.substr(0, static_cast<size_t>(walker.position()));
}

std::string_view graphemeSubstring(std::string_view s, int32_t start, int32_t count) {
  BoundaryWalker<char> walker(s.data(), clampedLength(s));
  skip(walker, start);
  const int32_t from = walker.position();
  skip(walker, count);
  return s.substr(static_cast<size_t>(from), static_cast<size_t>(walker.position() - from));
}

std::vector<std::string_view> graphemes(std::string_view s) {
  std::vector<std::string_view> out;
  out.reserve(s.size());
  BoundaryWalker<char> walker(s.data(), clampedLength(s));
  while (!walker.atEnd()) {
    const int32_t from = walker.position();
    const int32_t to = walker.next();
    out.push_back(s.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
  }
  return out;
}

// ---- GraphemeMap -------------------------------------------------------------------------------

GraphemeMap::GraphemeMap(std::string_view utf8) {
  const char* s = utf8.data();
  const int32_t n = clampedLength(utf8);
  u8Length_ = n;
  if (isPlainAscii(s, n)) {
    count_ = u16Length_ = n;
    return;
  }
  if (worthConverting(utf8)) {
    // For valid UTF-8 the UTF-8 offsets come out the same.
    *this = GraphemeMap(toUtf16(utf8));
    return;
  }
  // At most one grapheme per scalar: reserve that, so the vectors never regrow.
  size_t scalars = 0;
  for (int32_t i = 0; i < n; ++i) scalars += (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
  u8_.reserve(scalars + 1);
  u16_.reserve(scalars + 1);
  BoundaryWalker<char> walker(s, n);
  int32_t u16 = 0;
  u8_.push_back(0);
  u16_.push_back(0);
  while (!walker.atEnd()) {
    const int32_t from = walker.position();
    const int32_t to = walker.next();
    for (int32_t i = from; i < to; ++i) {
      const auto b = static_cast<unsigned char>(s[i]);
      if ((b & 0xC0) != 0x80) u16 += (b >= 0xF0) ? 2 : 1;  // a lead byte: one scalar
    }
    u8_.push_back(to);
    u16_.push_back(u16);
  }
  count_ = static_cast<int32_t>(u8_.size()) - 1;
  u16Length_ = u16;
}

GraphemeMap::GraphemeMap(const icu::UnicodeString& utf16) {
  const char16_t* s = utf16.getBuffer();
  const int32_t n = utf16.length();
  u16Length_ = n;
  if (s == nullptr || isPlainAscii(s, n)) {
    count_ = u8Length_ = (s == nullptr) ? 0 : n;
    u16Length_ = count_;
    return;
  }
  u8_.reserve(static_cast<size_t>(n) + 1);
  u16_.reserve(static_cast<size_t>(n) + 1);
  BoundaryWalker<char16_t> walker(s, n);
  int32_t u8 = 0;
  u8_.push_back(0);
  u16_.push_back(0);
  while (!walker.atEnd()) {
    const int32_t from = walker.position();
    const int32_t to = walker.next();
    for (int32_t i = from; i < to; ++i) {
      const char16_t u = s[i];
      if (u < 0x80) {
        u8 += 1;
      } else if (u < 0x800) {
        u8 += 2;
      } else if (U16_IS_LEAD(u) && i + 1 < n && U16_IS_TRAIL(s[i + 1])) {
        u8 += 4;
        ++i;
      } else {
        u8 += 3;  // a lone surrogate is written as U+FFFD, also 3 bytes
      }
    }
    u8_.push_back(u8);
    u16_.push_back(to);
  }
  count_ = static_cast<int32_t>(u16_.size()) - 1;
  u8Length_ = u8;
}

int32_t GraphemeMap::utf16Offset(int32_t g) const {
  g = clampG(g);
  return u16_.empty() ? g : u16_[static_cast<size_t>(g)];
}

int32_t GraphemeMap::utf8Offset(int32_t g) const {
  g = clampG(g);
  return u8_.empty() ? g : u8_[static_cast<size_t>(g)];
}

namespace {

// Index of the last boundary <= offset.
int32_t boundaryAtOrBefore(const std::vector<int32_t>& bounds, int32_t offset) {
  auto it = std::upper_bound(bounds.begin(), bounds.end(), offset);
  return static_cast<int32_t>(it - bounds.begin()) - 1;
}

}  // namespace

int32_t GraphemeMap::graphemeAtUtf16(int32_t offset) const {
  if (offset <= 0) return 0;
  if (offset >= u16Length_) return count_;
  return u16_.empty() ? offset : boundaryAtOrBefore(u16_, offset);
}

int32_t GraphemeMap::graphemeAtUtf8(int32_t offset) const {
  if (offset <= 0) return 0;
  if (offset >= u8Length_) return count_;
  return u8_.empty() ? offset : boundaryAtOrBefore(u8_, offset);
}

GraphemeRange GraphemeMap::graphemeRange(U16Range r) const {
  const int32_t start = graphemeAtUtf16(r.start);
  int32_t end = graphemeAtUtf16(r.end);
  if (utf16Offset(end) < r.end) ++end;
  return {start, std::max(start, end)};
}

U16Range GraphemeMap::utf16Range(GraphemeRange r) const {
  const int32_t start = utf16Offset(r.start);
  return {start, std::max(start, utf16Offset(r.end))};
}

// ---- U16Text -----------------------------------------------------------------------------------

U16Text::U16Text(std::string_view utf8) : str_(toUtf16(utf8)), map_(str_) {}

U16Text::U16Text(icu::UnicodeString utf16) : str_(std::move(utf16)), map_(str_) {}

}  // namespace orvak::text
