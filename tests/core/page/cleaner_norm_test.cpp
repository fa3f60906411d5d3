#include <gtest/gtest.h>

#include "core/page/cleaner.h"

namespace Cleaner = orvak::Cleaner;
using Cleaner::NormMapping;

TEST(CleanerNormTest, Norm) {
  const std::pair<const char*, const char*> cases[] = {
      {"\u00a0a\u200b \tb", "a b"},
      {"  one\n two  \t three\t", "one\n two three"},  // inner line feeds stay
      {"soft\u00adhy\u034fphen\u200cated\u2060\ufeff", "softhyphenated"},
      {"\u200d\u00a0\n", ""},
      {"plain", "plain"},
      {"\u2003em space kept inside\u2003", "em space kept inside"},  // not a space or tab: only trimmed
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Cleaner::norm(in), out) << in;
}

TEST(CleanerNormTest, FixPDFNewlines) {
  const std::pair<const char*, const char*> cases[] = {
      {"T\nhe", "The"},              // capital then letter: joined
      {"12\n3", "123"},               // digit then digit
      {"Note:\nnext", "Note:next"},   // colon then letter
      {"end of\nline", "end of line"},  // lower-case letter before: a space
      {"A\n word", "A  word"},        // space after: a space
      {"A\n.", "A ."},                // punctuation after
      {"\nAb\n", " Ab "},             // leading and trailing line feeds
      {"A\r\nb", "A\r\nb"},           // CR LF is one character, not a lone line feed
      {"\u00c9\nt\u00e9", "\u00c9t\u00e9"},  // Unicode capital
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Cleaner::fixPDFNewlines(in), out) << in;
}

TEST(CleanerNormTest, NormMapOffsets) {
  struct Case {
    const char* in;
    bool pdf;
    NormMapping out;
  };
  const Case cases[] = {
      {"", false, {"", {0}}},
      {"   ", false, {"", {3}}},
      {"  a\u00a0 b ", false, {"a b", {2, 3, 5, 6}}},
      {"\U0001F600x", false, {"\U0001F600x", {0, 2, 3}}},
      {"A\nb", true, {"Ab", {0, 2, 3}}},
      {"a\nb", true, {"a b", {0, 1, 2, 3}}},
      {"a\nb", false, {"a\nb", {0, 1, 2, 3}}},
      {"x\r\ny", false, {"x\r\ny", {0, 1, 3, 4}}},               // CR LF is one character
      {"e\u0301\u200b!", false, {"e\u0301!", {0, 3, 4}}},          // decomposed é, invisible skipped
      {"\U0001F1EB\U0001F1F7 a", false, {"\U0001F1EB\U0001F1F7 a", {0, 4, 5, 6}}},  // a flag
      {"\u200bx\u200b", false, {"x", {1, 3}}},  // invisibles are filtered, not trimmed
      {"b\t\t", true, {"b", {0, 1}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Cleaner::normMap(c.in, c.pdf), c.out) << c.in;
}

TEST(CleanerNormTest, NormMapAgreesWithNorm) {
  for (const char* in : {"  Hello\u00a0\u00a0world\t!\n next ", "\u00ad\u00ad", "a\u2028", "x  y\u3000"}) {
    EXPECT_EQ(Cleaner::normMap(in, false).text, Cleaner::norm(in)) << in;
  }
}
