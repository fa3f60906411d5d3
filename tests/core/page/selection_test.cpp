#include "core/page/selection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace Selection = orvak::Selection;
using orvak::text::GraphemeRange;

TEST(SelectionTest, MeaningfulNeedsTwoWordsAndTrims) {
  struct Case {
    std::optional<std::string> in;
    std::optional<std::string> out;
  };
  for (const Case& c : std::vector<Case>{{std::nullopt, std::nullopt},
                                         {"", std::nullopt},
                                         {" \n\t ", std::nullopt},
                                         {"  single.\n", std::nullopt},
                                         {"\n two words \n", "two words"},
                                         {"one\ttwo", "one\ttwo"},
                                         {"\u00A0— —\u2029", "— —"}}) {
    EXPECT_EQ(Selection::meaningful(c.in), c.out) << c.in.value_or("<none>");
  }
}

TEST(SelectionTest, LocateMatchesWordsWhateverTheSpacingCaseAndPunctuation) {
  struct Case {
    const char* name;
    std::string selection;
    std::string text;
    std::optional<GraphemeRange> range;
  };
  const std::vector<Case> cases{
      {"exact", "quick brown", "The quick brown fox", GraphemeRange{4, 15}},
      {"spacing, line breaks and case", "Quick   BROWN\n\nfox", "the quick\nbrown fox.",
       GraphemeRange{4, 20}},
      {"curly quotes and a full stop", "\u201Cit was the best of times.\u201D",
       "He said it was the best of times, and left.", GraphemeRange{8, 33}},
      {"inner punctuation is ignored", "dont stop", "Don't stop me now", GraphemeRange{0, 10}},
      {"first of two occurrences", "to be", "To be, or not to be", GraphemeRange{0, 6}},
      {"canonically equal accents", "\u00E9lan vital", "pure e\u0301lan vital",
       GraphemeRange{5, 15}},
      {"offsets count graphemes", "two words", "\U0001F1EB\U0001F1F7 e\u0301 two words",
       GraphemeRange{4, 13}},
      {"punctuation-only runs are not words", "red \u2014 green", "red green",
       GraphemeRange{0, 9}},
      {"not present", "purple elephant", "The quick brown fox", std::nullopt},
      {"words out of order", "brown quick", "The quick brown fox", std::nullopt},
      {"longer than the text", "the quick brown fox jumps", "the quick brown", std::nullopt},
      {"no words in the selection", " \u2014 ... ", "some text \u2014 here", std::nullopt},
      {"empty text", "two words", "", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Selection::locate(c.selection, c.text), c.range) << c.name;
  }
}

TEST(SelectionTest, FindFallsBackToShorterPiecesOfTheSelection) {
  const std::string text =
      "Intro words here. One two three four five six seven eight nine ten eleven twelve. End.";
  const int32_t one = 18;
  const int32_t three = static_cast<int32_t>(text.find("three"));
  const int32_t seven = static_cast<int32_t>(text.find("seven"));
  struct Case {
    const char* name;
    std::string selection;
    std::optional<int32_t> at;
  };
  const std::vector<Case> cases{
      {"whole selection", "one two three", one},
      {"12 words, middle altered: first 8 words",
       "one two three four five six seven eight nein zehn eleven twelve", one},
      {"12 words, 7th altered: first 5 words",
       "one two three four five six sept eight nine ten eleven twelve", one},
      {"12 words, only the last 6 match: where the tail is",
       "uno dos tres four five six seven eight nine ten eleven twelve.", seven},
      {"7 words, only the last 6 match", "X six seven eight nine ten eleven", seven - 4},
      {"6 words: first 5 words", "three four five six seven eighty", three},
      {"6 words, only the tail matches: too short to trust", "X four five six seven eight",
       std::nullopt},
      {"nothing matches", "nothing of this appears in the text at all, none", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Selection::find(c.selection, text), c.at) << c.name;
  }
}
