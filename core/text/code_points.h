// Offsets counted in Unicode scalars ("code points") against UTF-16 units of one text.
//
// Some desktop services count text positions in code points, while our Accessibility interface
// counts UTF-16 units: a character outside the Basic Multilingual Plane (most emoji) is one code
// point but two units. `CodePointMap` converts between the two for one text.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace orvak::text {

class CodePointMap {
 public:
  CodePointMap() = default;  // the empty text
  // Ill-formed UTF-8 counts as U+FFFD, one code point per maximal ill-formed subpart.
  explicit CodePointMap(std::string_view utf8);

  std::int64_t codePoints() const { return count_; }
  std::int64_t utf16Length() const { return u16Length_; }

  // The UTF-16 offset where code point `cp` starts; `codePoints()` gives the length. Offsets
  // outside the text clamp to its ends.
  std::int64_t utf16Of(std::int64_t cp) const;
  // The code point containing UTF-16 unit `unit` (the second unit of a surrogate pair belongs
  // to the pair's code point); the length gives `codePoints()`. Clamped like `utf16Of`.
  std::int64_t codePointOf(std::int64_t unit) const;
  // Same as `codePointOf`, except that an offset inside a pair moves to the pair's end: what
  // a range's end needs, so that the range still covers every unit it touched.
  std::int64_t codePointEndingAt(std::int64_t unit) const;

 private:
  std::int64_t count_ = 0;
  std::int64_t u16Length_ = 0;
  // Code-point indices of the characters outside the Basic Multilingual Plane, ascending; empty
  // for the common text where both counts agree.
  std::vector<std::int64_t> astral_;
};

}  // namespace orvak::text
