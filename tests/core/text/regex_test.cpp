#include "core/text/regex.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

namespace text = orvak::text;
using text::Regex;
using text::RegexFlags;
using text::U16Range;

namespace {

std::vector<std::string> wholeMatches(const Regex& re, std::string_view s) {
  std::vector<std::string> out;
  for (const auto& m : re.allMatches(s)) out.push_back(m.groups[0]);
  return out;
}

icu::UnicodeString u16(std::string_view s) { return text::toUtf16(s); }

TEST(Regex, IcuSyntax) {
  // Look-behind and look-ahead: blanks after a full stop and before a capital.
  const Regex sentenceGap(R"((?<=[.!?])\s+(?=\p{Lu}))");
  const auto gaps = sentenceGap.findAll(u16("One. Two!  \u00C9tat? no. Fin"));
  ASSERT_EQ(gaps.size(), 3u);
  EXPECT_EQ(gaps[0].range(), (U16Range{4, 5}));
  EXPECT_EQ(gaps[1].range(), (U16Range{9, 11}));
  EXPECT_EQ(gaps[2].range(), (U16Range{20, 21}));

  // An inline case-insensitive group, then a property class that stays case-sensitive.
  const Regex byline(R"(^(?i:by)\s+\p{Lu}\p{L}+$)");
  EXPECT_TRUE(byline.containsMatch("BY \u00C9mile"));
  EXPECT_TRUE(byline.containsMatch("by Ana"));
  EXPECT_FALSE(byline.containsMatch("by \u00E9mile"));

  // Word boundaries, Unicode digits and Unicode spaces.
  EXPECT_EQ(wholeMatches(Regex(R"(\bcat\b)"), "cat concat cat. cats"),
            (std::vector<std::string>{"cat", "cat"}));
  EXPECT_EQ(wholeMatches(Regex(R"(\d+)"), "abc \u0663\u0664 12 \uFF15"),
            (std::vector<std::string>{"\u0663\u0664", "12", "\uFF15"}));
  EXPECT_TRUE(Regex(R"(^a\sb$)").containsMatch("a\u00A0b"));
  EXPECT_TRUE(Regex(R"(^[\d.,]+\s?[KkMmBb]?$)").matchesWhole("1.2K"));
}

TEST(Regex, FlagsChangeMatching) {
  EXPECT_FALSE(Regex("^b").containsMatch("a\nb"));
  EXPECT_TRUE(Regex("^b", RegexFlags::multiline).containsMatch("a\nb"));
  EXPECT_FALSE(Regex("a.b").containsMatch("a\nb"));
  EXPECT_TRUE(Regex("a.b", RegexFlags::dotAll).containsMatch("a\nb"));
  EXPECT_FALSE(Regex("reply").containsMatch("REPLY"));
  EXPECT_TRUE(Regex("reply", RegexFlags::caseInsensitive).containsMatch("REPLY"));
  EXPECT_TRUE(Regex("^on .+ wrote:$", RegexFlags::caseInsensitive | RegexFlags::multiline)
                  .containsMatch("Thanks!\nOn Monday Ann wrote:\n> hi"));
}

TEST(Regex, RangesAreUtf16AndMapToGraphemes) {
  const text::U16Text t("\U0001F600 e\u0301t\u00E9 \U0001F1EB\U0001F1F7 word");
  const auto m = Regex(R"(\bword\b)").findFirst(t.str());
  ASSERT_TRUE(m);
  EXPECT_EQ(m->range(), (U16Range{13, 17}));
  EXPECT_EQ(t.map().graphemeRange(m->range()), (orvak::text::GraphemeRange{8, 12}));
  EXPECT_EQ(m->group(), "word");

  // Searching on from an offset.
  const Regex letter(R"(\p{L})");
  EXPECT_EQ(letter.findFirst(t.str(), 0)->range(), (U16Range{3, 4}));
  EXPECT_EQ(letter.findFirst(t.str(), 4)->range(), (U16Range{5, 6}));  // the accent is no letter
  EXPECT_EQ(letter.findFirst(t.str(), 16)->range(), (U16Range{16, 17}));
  EXPECT_FALSE(letter.findFirst(t.str(), 17));
  EXPECT_FALSE(letter.findFirst(t.str(), 99));
}

TEST(Regex, GroupsThatTakeNoPartReadEmpty) {
  const Regex re("(a)|(b)(c)?");
  const auto m = re.findFirst(u16("xb"));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->groupCount(), 3);
  EXPECT_FALSE(m->matched(1));
  EXPECT_EQ(m->group(1), "");
  EXPECT_FALSE(m->groupRange(1));
  EXPECT_TRUE(m->matched(2));
  EXPECT_EQ(m->group(2), "b");
  EXPECT_EQ(m->groupRange(2), (U16Range{1, 2}));
  EXPECT_FALSE(m->matched(3));
  EXPECT_FALSE(m->matched(4));  // no such group
  EXPECT_EQ(m->group(4), "");

  const auto texts = re.firstMatch("xb");
  ASSERT_TRUE(texts);
  EXPECT_EQ(texts->groups, (std::vector<std::string>{"b", "", "b", ""}));
  EXPECT_EQ(texts->matched, (std::vector<bool>{true, false, true, false}));
}

TEST(Regex, ReplaceAll) {
  const Regex pair(R"((\w+)@(\w+))");
  EXPECT_EQ(pair.replaceAll("a@b and c\u00E9@d", "$2@$1"), "b@a and d@c\u00E9");
  EXPECT_EQ(pair.replaceAll("a@b", R"(\$1)"), "$1");
  EXPECT_THROW(pair.replaceAll("a@b", "$7"), text::RegexError);

  const Regex word(R"(\p{L}+)");
  EXPECT_EQ(word.replaceAll("stra\u00DFe, caf\u00E9!",
                            [](const text::Match& m) { return text::uppercase(m.group()); }),
            "STRASSE, CAF\u00C9!");
  // A callback's text is taken literally, and empty matches advance.
  EXPECT_EQ(Regex("x*").replaceAll("ab", [](const text::Match&) { return std::string("$1-"); }),
            "$1-a$1-b$1-");
  EXPECT_EQ(Regex(R"([ \t]+)").replaceAll(u16("a \t b"), u16(" ")), u16("a b"));
}

TEST(Regex, EscapedUserTextMatchesOnlyItself) {
  std::string everyAscii;
  for (char c = 0x01; c < 0x7F; ++c) everyAscii += c;
  const std::vector<std::string> texts = {
      R"(a.b*c\E(d)[e]{2}^$|?+)", R"(\Q\E\)", "# not a comment", "1 + 1 = 2", "[^-]",
      "tab\there\nnew line", "caf\u00E9 \u2028 \U0001F600", everyAscii,
  };
  for (const auto& t : texts) {
    const std::string escaped = text::escapeRegex(t);
    for (auto flags : {RegexFlags::none, RegexFlags::caseInsensitive | RegexFlags::comments,
                       RegexFlags::multiline | RegexFlags::dotAll}) {
      const Regex re(escaped, flags);
      EXPECT_TRUE(re.matchesWhole(t)) << escaped;
      EXPECT_FALSE(re.matchesWhole(t + "x")) << escaped;
      // Inside a class, too.
      EXPECT_TRUE(Regex("[" + escaped + "]+", flags).matchesWhole(t)) << escaped;
    }
  }
  EXPECT_FALSE(Regex(text::escapeRegex("a.c")).containsMatch("abc"));
}

TEST(Regex, InvalidPatternsThrowWithIcusMessage) {
  for (const char* bad : {"(", "a{2,1}", "[z-a]", R"(\p{NoSuchProperty})", "(?<=a+)b"}) {
    try {
      Regex re(bad);
      ADD_FAILURE() << bad << " compiled";
    } catch (const text::RegexError& e) {
      EXPECT_NE(std::string(e.what()).find("U_REGEX"), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(Regex::cached("("), text::RegexError);
}

TEST(Regex, CachedPatternsAreCompiledOnceAndShared) {
  const Regex a = Regex::cached(R"(\s+)");
  const Regex b = Regex::cached(R"(\s+)");
  const Regex c = Regex::cached(R"(\s+)", RegexFlags::multiline);
  EXPECT_EQ(&a.pattern(), &b.pattern());
  EXPECT_NE(&a.pattern(), &c.pattern());
  EXPECT_NE(&a.pattern(), &Regex(R"(\s+)").pattern());

  // One shared pattern used from several threads at once.
  std::string page;
  for (int i = 0; i < 200; ++i) page += "Sentence " + std::to_string(i) + " ends here. ";
  const Regex end = Regex::cached(R"((?<=[.!?])\s+(?=\p{Lu}))");
  std::vector<std::future<size_t>> runs;
  for (int t = 0; t < 4; ++t) {
    runs.push_back(std::async(std::launch::async, [&] {
      const icu::UnicodeString s = text::toUtf16(page);
      return Regex::cached(R"((?<=[.!?])\s+(?=\p{Lu}))").findAll(s).size();
    }));
  }
  for (auto& r : runs) EXPECT_EQ(r.get(), 199u);
}

}  // namespace
