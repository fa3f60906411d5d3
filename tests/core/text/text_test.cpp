#include "core/text/text.h"

#include <gtest/gtest.h>
#include <unicode/brkiter.h>
#include <unicode/locid.h>

#include <memory>
#include <random>

#include <string>
#include <vector>

namespace text = orvak::text;
using text::TrimSet;

namespace {

// Test texts, spelled out so that what each one holds is plain.
const std::string kEAcute = "\u00E9";                 // é, one code point
const std::string kEDecomposed = "e\u0301";           // e + combining acute
const std::string kFlag = "\U0001F1EB\U0001F1F7";     // regional indicators F R
const std::string kFamily =                            // man ZWJ woman ZWJ girl ZWJ boy
    "\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466";
const std::string kGrin = "\U0001F600";               // outside the BMP: two UTF-16 units

// ---- Graphemes ---------------------------------------------------------------------------------

struct CountCase {
  std::string text;
  int32_t graphemes;
};

TEST(Graphemes, CountsUserPerceivedCharactersFromUtf8AndUtf16) {
  const std::vector<CountCase> cases = {
      {"", 0},
      {"abc", 3},
      {kEAcute, 1},
      {kEDecomposed, 1},
      {"e\u0301\u0323", 1},          // two marks on one base
      {kFlag, 1},
      {kFlag + kFlag, 2},            // regional indicators pair up, never in threes
      {kFamily, 1},
      {"\r\n", 1},
      {"a\r\nb", 3},
      {"\n\r", 2},
      {"\n\u0301", 2},               // nothing extends a line feed
      {"\u1100\u1161\u11A8", 1},      // Hangul syllable from conjoining jamo
      {"x" + kGrin + "y", 3},
      {"na\u00EFve caf" + kEDecomposed, 10},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::graphemeCount(c.text), c.graphemes) << c.text;
    EXPECT_EQ(text::graphemeCount(text::toUtf16(c.text)), c.graphemes) << c.text;
    EXPECT_EQ(text::GraphemeMap(c.text).count(), c.graphemes) << c.text;
    EXPECT_EQ(static_cast<int32_t>(text::graphemes(c.text).size()), c.graphemes) << c.text;
  }
}

TEST(Graphemes, SplitsAndSlicesWholeClusters) {
  const std::string s = "a" + kEDecomposed + "\r\n" + kFlag + "b";
  EXPECT_EQ(text::graphemes(s),
            (std::vector<std::string_view>{"a", kEDecomposed, "\r\n", kFlag, "b"}));
  EXPECT_EQ(text::graphemePrefix(s, 0), "");
  EXPECT_EQ(text::graphemePrefix(s, 2), "a" + kEDecomposed);
  EXPECT_EQ(text::graphemePrefix(s, 4), "a" + kEDecomposed + "\r\n" + kFlag);
  EXPECT_EQ(text::graphemePrefix(s, 99), s);
  EXPECT_EQ(text::graphemeSubstring(s, 1, 3), kEDecomposed + "\r\n" + kFlag);
  EXPECT_EQ(text::graphemeSubstring(s, 4, 5), "b");
  EXPECT_EQ(text::graphemeSubstring(s, 7, 1), "");
}

// The fast paths (ASCII, characters that stand alone) must cut exactly where ICU's character
// break iterator does; random strings over characters that take part in every joining rule.
TEST(Graphemes, AgreeWithTheBreakIteratorOnRandomText) {
  const std::vector<UChar32> pool = {
      'a', 'Z', ' ', '.', '\r', '\n', '\t', 0x0085,
      0x00E9, 0x0416, 0x4E16, 0x0627, 0xFFFD,                // stand-alone letters
      0x0301, 0x0323, 0x200D, 0x200C, 0xFE0F,                // marks, joiners, variation selector
      0x0600, 0x0903, 0x094D, 0x0915, 0x0937, 0x093F,        // prepend, spacing mark, virama, consonants
      0x1100, 0x1161, 0x11A8, 0xAC00, 0xAC01,                // Hangul L, V, T, LV, LVT
      0x1F1EB, 0x1F1F7, 0x1F468, 0x1F469, 0x1F3FD, 0x2764,   // regional indicators, emoji, modifier
      0x0E40, 0x0E01, 0x0E33,                                // Thai
  };
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> reference(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  ASSERT_TRUE(U_SUCCESS(status));
  std::mt19937 random(20261210);
  for (int run = 0; run < 3000; ++run) {
    icu::UnicodeString s;
    const int length = 1 + static_cast<int>(random() % 10);
    for (int k = 0; k < length; ++k) s.append(pool[random() % pool.size()]);
    reference->setText(s);
    std::vector<int32_t> expected;
    for (int32_t b = reference->first(); b != icu::BreakIterator::DONE; b = reference->next()) {
      expected.push_back(b);
    }
    const std::string utf8 = text::toUtf8(s);
    const text::GraphemeMap fromUtf16(s);
    const text::GraphemeMap fromUtf8(utf8);
    std::vector<int32_t> got16, got8;
    for (int32_t g = 0; g <= fromUtf16.count(); ++g) got16.push_back(fromUtf16.utf16Offset(g));
    for (int32_t g = 0; g <= fromUtf8.count(); ++g) got8.push_back(fromUtf8.utf16Offset(g));
    ASSERT_EQ(got16, expected) << utf8;
    ASSERT_EQ(got8, expected) << utf8;
    ASSERT_EQ(text::graphemeCount(utf8), static_cast<int32_t>(expected.size()) - 1) << utf8;
  }
}

// a, grin (2 units, 4 bytes), e + acute (2 units, 3 bytes), b
TEST(GraphemeMap, ConvertsBetweenGraphemesUtf16AndUtf8) {
  const std::string s = "a" + kGrin + kEDecomposed + "b";
  for (const auto& map : {text::GraphemeMap(s), text::GraphemeMap(text::toUtf16(s))}) {
    ASSERT_EQ(map.count(), 4);
    EXPECT_EQ(map.utf16Length(), 6);
    EXPECT_EQ(map.utf8Length(), 9);
    const std::vector<int32_t> u16 = {0, 1, 3, 5, 6};
    const std::vector<int32_t> u8 = {0, 1, 5, 8, 9};
    for (int32_t g = 0; g <= 4; ++g) {
      EXPECT_EQ(map.utf16Offset(g), u16[static_cast<size_t>(g)]) << g;
      EXPECT_EQ(map.utf8Offset(g), u8[static_cast<size_t>(g)]) << g;
      EXPECT_EQ(map.graphemeAtUtf16(u16[static_cast<size_t>(g)]), g);
      EXPECT_EQ(map.graphemeAtUtf8(u8[static_cast<size_t>(g)]), g);
    }
    // Inside a cluster: the cluster containing it.
    EXPECT_EQ(map.graphemeAtUtf16(2), 1);  // between the surrogates
    EXPECT_EQ(map.graphemeAtUtf16(4), 2);  // between e and its accent
    EXPECT_EQ(map.graphemeAtUtf8(3), 1);
    EXPECT_EQ(map.graphemeAtUtf8(7), 2);
    EXPECT_EQ(map.utf8OffsetOfUtf16(3), 5);
    EXPECT_EQ(map.utf16OffsetOfUtf8(6), 3);
    // Ranges round outwards.
    EXPECT_EQ(map.graphemeRange({2, 4}), (text::GraphemeRange{1, 3}));
    EXPECT_EQ(map.graphemeRange({1, 3}), (text::GraphemeRange{1, 2}));
    EXPECT_EQ(map.graphemeRange({3, 3}), (text::GraphemeRange{2, 2}));
    EXPECT_EQ(map.utf16Range({1, 3}), (text::U16Range{1, 5}));
    // Out of range clamps.
    EXPECT_EQ(map.graphemeAtUtf16(-3), 0);
    EXPECT_EQ(map.graphemeAtUtf16(60), 4);
    EXPECT_EQ(map.utf16Offset(9), 6);
    EXPECT_EQ(map.utf8Offset(-1), 0);
  }
}

TEST(GraphemeMap, AgreesWithConversionOverMixedScripts) {
  const std::string s = "Привет, " + kFamily + " 世界! e\u0301\r\n\u0915\u094D\u0937 " + kFlag +
                        " \u0645\u0631\u062D\u0628\u0627 " + kGrin + "x";
  const text::GraphemeMap fromUtf8(s);
  const text::U16Text u(s);
  const text::GraphemeMap& fromUtf16 = u.map();
  ASSERT_EQ(fromUtf8.count(), fromUtf16.count());
  ASSERT_EQ(fromUtf8.utf8Length(), static_cast<int32_t>(s.size()));
  ASSERT_EQ(fromUtf16.utf16Length(), u.length());
  const auto pieces = text::graphemes(s);
  size_t bytes = 0;
  for (int32_t g = 0; g <= fromUtf8.count(); ++g) {
    EXPECT_EQ(fromUtf8.utf8Offset(g), fromUtf16.utf8Offset(g)) << g;
    EXPECT_EQ(fromUtf8.utf16Offset(g), fromUtf16.utf16Offset(g)) << g;
    EXPECT_EQ(fromUtf8.utf8Offset(g), static_cast<int32_t>(bytes)) << g;
    EXPECT_EQ(u.utf8({0, fromUtf16.utf16Offset(g)}), s.substr(0, bytes)) << g;
    if (g < fromUtf8.count()) bytes += pieces[static_cast<size_t>(g)].size();
  }
}

TEST(GraphemeMap, AsciiAndLoneSurrogates) {
  const text::GraphemeMap plain("hello");
  EXPECT_EQ(plain.count(), 5);
  EXPECT_EQ(plain.utf16Offset(3), 3);
  EXPECT_EQ(plain.graphemeAtUtf8(4), 4);

  const text::GraphemeMap crlf("a\r\nb");
  EXPECT_EQ(crlf.count(), 3);
  EXPECT_EQ(crlf.utf16Offset(2), 3);
  EXPECT_EQ(crlf.graphemeAtUtf16(2), 1);

  icu::UnicodeString lone;
  lone.append(static_cast<char16_t>('a')).append(static_cast<char16_t>(0xD800));
  lone.append(static_cast<char16_t>('b'));
  const text::GraphemeMap map(lone);
  EXPECT_EQ(map.count(), 3);
  EXPECT_EQ(map.utf8Length(), 5);  // the surrogate is written as U+FFFD
  EXPECT_EQ(text::toUtf8(lone), "a\uFFFDb");
}

// ---- Encodings ---------------------------------------------------------------------------------

TEST(Utf8, RepairsIllFormedSequences) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain", "plain"},
      {kEAcute + kGrin, kEAcute + kGrin},
      {"a\xFF" "b", "a\uFFFDb"},
      {"a\xC3", "a\uFFFD"},                               // cut short
      {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},             // an encoded surrogate
      {"\xC0\xAF", "\uFFFD\uFFFD"},                       // overlong "/"
      {"\xF0\x9F\x98", "\uFFFD"},                         // three of four bytes
      {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},   // above U+10FFFF
      {std::string("a\0b", 3), std::string("a\0b", 3)},   // NUL is well-formed
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(text::repairUtf8(in), out) << in;
    EXPECT_EQ(text::isValidUtf8(in), in == out) << in;
    EXPECT_TRUE(text::isValidUtf8(text::repairUtf8(in)));
    EXPECT_EQ(text::toUtf8(text::toUtf16(in)), out) << in;
  }
}

TEST(Utf8, DecodesAndEncodesScalars) {
  const std::string s = "a\u00E9\u4E16" + kGrin + "\xFF" "\xE4\xB8" "b";
  std::vector<char32_t> scalars;
  std::vector<size_t> offsets;
  for (size_t i = 0; i < s.size();) {
    offsets.push_back(i);
    scalars.push_back(text::nextScalar(s, i));
  }
  EXPECT_EQ(scalars, (std::vector<char32_t>{'a', 0xE9, 0x4E16, 0x1F600, 0xFFFD, 0xFFFD, 'b'}));
  EXPECT_EQ(offsets, (std::vector<size_t>{0, 1, 3, 6, 10, 11, 13}));

  std::string out;
  for (char32_t c : {U'a', U'\u00E9', U'\U0001F600', char32_t{0xD800}, char32_t{0x110000}}) {
    text::appendUtf8(out, c);
  }
  EXPECT_EQ(out, "a\u00E9" + kGrin + "\uFFFD\uFFFD");
}

// ---- Character classes -------------------------------------------------------------------------

struct ClassCase {
  std::string grapheme;
  bool letter, number, whitespace, newline, upper, alnum;
};

TEST(CharacterClasses, FollowUnicodePropertiesOfTheFirstScalar) {
  const std::vector<ClassCase> cases = {
      // grapheme        letter number space newline upper alnum
      {"a",                true, false, false, false, false, true},
      {"A",                true, false, false, false, true, true},
      {kEAcute,            true, false, false, false, false, true},
      {"E\u0301",          true, false, false, false, true, true},   // decomposed É
      {"\u01C5",           true, false, false, false, false, true},  // ǅ title case
      {"\u00DF",           true, false, false, false, false, true},  // ß upper-cases to SS
      {"\u1E9E",           true, false, false, false, true, true},   // ẞ
      {"\u0130",           true, false, false, false, true, true},   // İ
      {"\u4E16",           true, false, false, false, false, true},  // CJK ideograph
      {"\u4E00",           true, true, false, false, false, true},   // 一 has a numeric value
      {"5",                false, true, false, false, false, true},
      {"\u00BD",           false, true, false, false, false, true},  // ½
      {"\u0663",           false, true, false, false, false, true},  // Arabic-Indic 3
      {"\u216B",           true, true, false, false, true, true},    // Roman numeral twelve
      {"\u0301",           false, false, false, false, false, true}, // a lone mark
      {" ",                false, false, true, false, false, false},
      {"\t",               false, false, true, false, false, false},
      {"\u00A0",           false, false, true, false, false, false},
      {"\u200B",           false, false, false, false, false, false},// zero width space
      {"\n",               false, false, true, true, false, false},
      {"\r\n",             false, false, true, true, false, false},
      {"\u000B",           false, false, true, true, false, false},
      {"\u0085",           false, false, true, true, false, false},
      {"\u2028",           false, false, true, true, false, false},
      {"\u2029",           false, false, true, true, false, false},
      {"_",                false, false, false, false, false, false},
      {".",                false, false, false, false, false, false},
      {kGrin,              false, false, false, false, false, false},
      {kFlag,              false, false, false, false, false, false},
      {"",                 false, false, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.grapheme);
    EXPECT_EQ(text::isLetter(c.grapheme), c.letter);
    EXPECT_EQ(text::isNumber(c.grapheme), c.number);
    EXPECT_EQ(text::isWhitespace(c.grapheme), c.whitespace);
    EXPECT_EQ(text::isNewline(c.grapheme), c.newline);
    EXPECT_EQ(text::isUppercase(c.grapheme), c.upper);
    EXPECT_EQ(text::isAlphanumeric(c.grapheme), c.alnum);
  }
}

// ---- Trimming ----------------------------------------------------------------------------------

struct TrimCase {
  std::string in;
  std::string whitespaces;
  std::string whitespacesAndNewlines;
};

TEST(Trim, ByScalarWithEachSet) {
  const std::vector<TrimCase> cases = {
      {" \t a b \t ", "a b", "a b"},
      {"\n a \n", "\n a \n", "a"},
      {"\r\nx\r\n", "\r\nx\r\n", "x"},
      {"\u00A0x\u3000", "x", "x"},                           // no-break and ideographic space
      {"\u200Bx\u200B", "\u200Bx\u200B", "\u200Bx\u200B"},  // zero width space is no space
      {"\u0085x\u2028", "\u0085x\u2028", "x"},
      {"\u2029x\u000B\u000C", "\u2029x\u000B\u000C", "x"},
      {"\u180Ex", "\u180Ex", "\u180Ex"},                     // Mongolian vowel separator: Cf
      {"   ", "", ""},
      {"", "", ""},
      {"e\u0301 ", "e\u0301", "e\u0301"},
      {" \u0301x", "\u0301x", "\u0301x"},                     // scalars: the mark stays alone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(text::trim(c.in, TrimSet::whitespaces), c.whitespaces);
    EXPECT_EQ(text::trim(c.in, TrimSet::whitespacesAndNewlines), c.whitespacesAndNewlines);
  }
  EXPECT_EQ(text::trimStart("  a  "), "a  ");
  EXPECT_EQ(text::trimEnd("  a  "), "  a");
}

// ---- Case and normalisation --------------------------------------------------------------------

TEST(Case, FullMappingWithoutLocale) {
  EXPECT_EQ(text::lowercase("\u00C0B\u0130 \u1E9E"), "\u00E0bi\u0307 \u00DF");  // İ keeps its dot
  EXPECT_EQ(text::lowercase("\u039F\u0394\u039F\u03A3"), "\u03BF\u03B4\u03BF\u03C2");  // final sigma
  EXPECT_EQ(text::uppercase("stra\u00DFe i"), "STRASSE I");
  EXPECT_EQ(text::caseFold("Stra\u00DFe"), "strasse");

  EXPECT_TRUE(text::equalsIgnoringCase("Stra\u00DFe", "STRASSE"));
  EXPECT_TRUE(text::equalsIgnoringCase("\u00C9t\u00E9", "E\u0301TE\u0301"));
  EXPECT_FALSE(text::equalsIgnoringCase("\u00E9", "e"));
  EXPECT_FALSE(text::equalsIgnoringCase("abc", "abd"));
  EXPECT_EQ(text::compareIgnoringCase("STRASSE", "stra\u00DFe"), 0);
  EXPECT_EQ(text::compareIgnoringCase("apple", "Banana"), -1);  // bytes would say "a" > "B"
  EXPECT_EQ(text::compareIgnoringCase("Zebra", "apple"), 1);    // and "Z" < "a"
  EXPECT_EQ(text::compareIgnoringCase("\u00C9", "\u00E9t\u00E9"), -1);
}

TEST(Case, ContainsIgnoringCaseFollowsTheLocale) {
  struct Case {
    const char* locale;
    std::string haystack, needle;
    bool contains;
  };
  const std::vector<Case> cases = {
      {"en", "Secure Text Field", "secure", true},
      {"en", "ISTANBUL", "istanbul", true},
      {"en", "\u0130STANBUL", "istanbul", false},  // İ folds to i + dot outside Turkish
      {"tr", "\u0130STANBUL", "istanbul", true},
      {"tr", "ISTANBUL", "istanbul", false},        // I is the capital of dotless ı
      {"tr", "ISTANBUL", "\u0131stanbul", true},
      {"az", "D\u0130L", "dil", true},
      {"en", "Caf\u00C9 noir", "cafe\u0301", true}, // canonical forms compare alike
      {"en", "CAF\u00C9", "cafe", false},
      {"en", "STRASSE", "\u00DF", true},
      {"en", "abc", "", false},
      {"en", "", "a", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::containsIgnoringCase(c.haystack, c.needle, c.locale), c.contains)
        << c.locale << ": " << c.haystack << " / " << c.needle;
  }
}

TEST(Case, ContainsIgnoringCaseUsesTheDefaultLocale) {
  const icu::Locale saved = icu::Locale::getDefault();
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale::setDefault(icu::Locale("tr", "TR"), status);
  const bool turkish = text::containsIgnoringCase("ISTANBUL", "istanbul");
  icu::Locale::setDefault(icu::Locale("en", "US"), status);
  const bool english = text::containsIgnoringCase("ISTANBUL", "istanbul");
  icu::Locale::setDefault(saved, status);
  EXPECT_FALSE(turkish);
  EXPECT_TRUE(english);
}

TEST(Normalization, NfcAndCanonicalEquality) {
  EXPECT_EQ(text::nfc(kEDecomposed), kEAcute);
  EXPECT_EQ(text::nfc("\u1100\u1161\u11A8"), "\uAC01");
  EXPECT_EQ(text::nfc("plain"), "plain");
  EXPECT_TRUE(text::canonicallyEqual(kEAcute, kEDecomposed));
  EXPECT_TRUE(text::canonicallyEqual("\u1E0B\u0323", "\u1E0D\u0307"));  // marks reorder
  EXPECT_FALSE(text::canonicallyEqual("e", kEAcute));
  EXPECT_FALSE(text::canonicallyEqual("\uFB01", "fi"));  // compatibility only
}

TEST(Normalization, FindCanonicalCountsGraphemesOfTheOriginal) {
  const std::string decomposed = "Cafe\u0301 cre\u0300me, caf\u00e9";
  struct Case {
    std::string haystack, needle;
    std::optional<int32_t> at;
  };
  const Case cases[] = {
      {decomposed, "caf\u00e9", 12},       // case-sensitive: the lower-case one
      {decomposed, "e\u0301 cr", 3},       // decomposed needle, grapheme offset despite extra bytes
      {decomposed, "cr\u00e8me", 5},       // composed needle, decomposed text
      {"\U0001F1EB\U0001F1F7 flag", "flag", 2},  // a flag is one grapheme
      {decomposed, "Caf\u00c9", std::nullopt},  // case-sensitive
      {decomposed, "e", 9},                // not the "e" of "e\u0301": the last letter of "crème"
      {decomposed, "", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.needle);
    EXPECT_EQ(text::findCanonical(c.haystack, c.needle), c.at);
  }
}

}  // namespace
