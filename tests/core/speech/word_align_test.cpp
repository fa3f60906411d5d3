#include "core/speech/word_align.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace WordAlign = orvak::WordAlign;
namespace text = orvak::text;

namespace {

std::vector<std::string> tokenTexts(const std::string& s) {
  std::vector<std::string> out;
  for (const auto r : WordAlign::tokens(s)) {
    out.emplace_back(text::graphemeSubstring(s, r.start, r.length()));
  }
  return out;
}

}  // namespace

TEST(WordAlignTest, TokensAreWordsWithoutTheirSurroundingPunctuation) {
  struct Case {
    std::string in;
    std::vector<std::string> tokens;
  };
  for (const Case& c : std::vector<Case>{
           {" \t\n ", {}},
           {" - \u2014 ... \"\" ", {}},
           {"(word), \u201Cquoted\u201D.", {"word", "quoted"}},
           {"$5 #tag 50% don't e-mail 3.5.", {"$5", "#tag", "50%", "don't", "e-mail", "3.5"}},
           {"\u20AC10, \u00A312; @user's (#1)", {"\u20AC10", "\u00A312", "@user's", "#1"}},
           {"%50 5$ ...hi...", {"50", "5", "hi"}},
           {"line\nbreak\u2028and\u00A0nbsp", {"line", "break", "and", "nbsp"}},
       }) {
    EXPECT_EQ(tokenTexts(c.in), c.tokens) << c.in;
  }
  // Offsets count graphemes: an emoji, a flag and a decomposed accent are one character each.
  EXPECT_EQ(WordAlign::tokens("\U0001F642 caf\u00E9 e\u0301t\u00E9 \U0001F1EB\U0001F1F7ok"),
            (std::vector<text::GraphemeRange>{{2, 6}, {7, 10}, {12, 14}}));
}

TEST(WordAlignTest, MapsSpokenWordsOntoScreenWords) {
  using Map = std::vector<std::optional<int>>;
  struct Case {
    const char* name;
    std::vector<std::string> screen;
    std::vector<std::string> spoken;
    int lookahead;
    Map expected;
  };
  const std::vector<Case> cases{
      {"exact, case and punctuation ignored", {"Don't", "STOP", "now."}, {"dont", "stop!", "Now"},
       5, {0, 1, 2}},
      {"a year read out as three words", {"In", "1999,", "we", "left."},
       {"in", "nineteen", "ninety", "nine", "we", "left"}, 5, {0, 1, 1, 1, 2, 3}},
      {"a short word after a number starts the next screen word", {"3", "to", "go"},
       {"three", "to", "go"}, 5, {0, 1, 2}},
      {"money read out as several words", {"Pay", "$5.50", "now"},
       {"pay", "five", "dollars", "fifty", "now"}, 5, {0, 1, 1, 1, 2}},
      {"an unspoken screen word is skipped", {"a", "big", "dog"}, {"a", "dog"}, 5, {0, 2}},
      {"a short word never jumps ahead", {"a", "big", "of"}, {"a", "of"}, 5, {0, 1}},
      {"lookahead 1 never jumps", {"a", "big", "dog"}, {"a", "dog"}, 1, {0, 1}},
      {"lookahead below 1 counts as 1", {"a", "big", "dog"}, {"a", "dog"}, 0, {0, 1}},
      {"lookahead 5 reaches 4 words ahead", {"w0", "w1", "w2", "w3", "w4x", "w5x"}, {"w4x"}, 5,
       {4}},
      {"lookahead 5 does not reach 5 words ahead", {"w0", "w1", "w2", "w3", "w4x", "w5x"},
       {"w5x"}, 5, {0}},
      {"an inserted word stays on the current screen word", {"the", "cat", "sat"},
       {"the", "um", "cat", "sat"}, 5, {0, 1, 1, 2}},
      {"punctuation spoken as a word stays where it is", {"a", "big"}, {"a", ",", "big"}, 5,
       {0, 1, 1}},
      {"words beyond the screen go to the last word", {"hi", "there"},
       {"hi", "there", "again", "more"}, 5, {0, 1, 1, 1}},
      {"no spoken words", {"a", "b"}, {}, 5, {}},
      {"no screen words", {}, {"a", "b", "c"}, 5, {std::nullopt, std::nullopt, std::nullopt}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WordAlign::map(c.screen, c.spoken, c.lookahead), c.expected) << c.name;
  }
}
