#include "core/text/code_points.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace text = orvak::text;

namespace {

// "a😀b𝄞" : code points a=0 😀=1 b=2 𝄞=3 (end 4); units a=0 😀=1,2 b=3 𝄞=4,5 (end 6).
const std::string kMixed = "a\U0001F600b\U0001D11E";

struct CodePointCase {
  std::string text;
  std::int64_t codePoint;
  std::int64_t unit;
};

TEST(CodePointMap, CodePointToUtf16) {
  const std::vector<CodePointCase> cases = {
      {"", 0, 0},
      {"", 3, 0},                     // past the end clamps
      {"abc", 2, 2},                  // plain text: the same numbers
      {"\u00E9t\u00E9", 3, 3},        // two-byte UTF-8 is still one unit each
      {kMixed, 0, 0},
      {kMixed, 1, 1},
      {kMixed, 2, 3},                 // after the emoji
      {kMixed, 3, 4},
      {kMixed, 4, 6},                 // the end
      {kMixed, -2, 0},                // before the start clamps
      {"\U0001F600\U0001F600", 1, 2}, // astral characters back to back
      {"x\xFFy", 2, 2},               // an ill-formed byte counts as one U+FFFD
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " @" + std::to_string(c.codePoint));
    EXPECT_EQ(text::CodePointMap(c.text).utf16Of(c.codePoint), c.unit);
  }
}

TEST(CodePointMap, Utf16ToCodePoint) {
  struct Back {
    std::string text;
    std::int64_t unit;
    std::int64_t codePoint;     // codePointOf: a low surrogate belongs to its pair
    std::int64_t endCodePoint;  // codePointEndingAt: a range ending inside a pair covers it
  };
  const std::vector<Back> cases = {
      {"abc", 1, 1, 1},
      {kMixed, 1, 1, 1},
      {kMixed, 2, 1, 2},  // inside the emoji
      {kMixed, 3, 2, 2},
      {kMixed, 5, 3, 4},  // inside the clef
      {kMixed, 6, 4, 4},
      {kMixed, 9, 4, 4},  // past the end clamps
      {kMixed, -1, 0, 0},
      {"\U0001F600\U0001F600", 3, 1, 2},
      {"\U0001F600\U0001F600", 2, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " @" + std::to_string(c.unit));
    const text::CodePointMap map(c.text);
    EXPECT_EQ(map.codePointOf(c.unit), c.codePoint);
    EXPECT_EQ(map.codePointEndingAt(c.unit), c.endCodePoint);
  }
}

TEST(CodePointMap, RoundTripsEveryBoundary) {
  const std::string s = "\U0001F1EB\U0001F1F7 caf\u00E9 \U0001F600!";
  const text::CodePointMap map(s);
  EXPECT_EQ(map.codePoints(), 10);
  EXPECT_EQ(map.utf16Length(), 13);
  for (std::int64_t cp = 0; cp <= map.codePoints(); ++cp) EXPECT_EQ(map.codePointOf(map.utf16Of(cp)), cp);
}

}  // namespace
