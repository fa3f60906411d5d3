#include "core/page/page_section.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using orvak::PageSection::around;
using orvak::PageSection::isHeading;

std::string words(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += (i ? " w" : "w");
  return s;
}

TEST(PageSection, IsHeading) {
  struct Case {
    std::string paragraph;
    bool heading;
  };
  const Case cases[]{
      {"Chapter 2", true},
      {"  Introduction\t", true},
      {"Chapter 2.", false},
      {"Why?", false},
      {"Note:", false},
      {"He said \u201Chi\u201D", false},
      {"(aside)", false},
      {words(12), true},
      {words(13), false},
      {"2024", false},
      {"", false},
      {" \t ", false},
      {std::string(90, 'a'), true},
      {std::string(91, 'a'), false},
      {std::string(45, 'e') + std::string(45, 'e').replace(0, 1, "\u00E9"), true},
  };
  for (const auto& c : cases) EXPECT_EQ(isHeading(c.paragraph), c.heading) << '"' << c.paragraph << '"';
}

const std::string kPage =
    "Opening words here.\n"   // 0..19
    "First Part\n"            // 20..30
    "Alpha paragraph.\n"      // 31..47
    "Beta paragraph.\n"       // 48..63
    "Second Part\n"           // 64..75
    "Gamma paragraph.";       // 76..

TEST(PageSection, SectionRunsFromItsHeadingToTheNextOne) {
  EXPECT_EQ(around(kPage, 35, 3000), "First Part\nAlpha paragraph.\nBeta paragraph.");
  EXPECT_EQ(around(kPage, 50, 3000), "First Part\nAlpha paragraph.\nBeta paragraph.");
  EXPECT_EQ(around(kPage, 20, 3000), "First Part\nAlpha paragraph.\nBeta paragraph.");
  EXPECT_EQ(around(kPage, 80, 3000), "Second Part\nGamma paragraph.");
}

TEST(PageSection, OffsetsOutsideTheTextSelectTheEnds) {
  EXPECT_EQ(around(kPage, -5, 3000), "Opening words here.");
  EXPECT_EQ(around(kPage, 100000, 3000), "Second Part\nGamma paragraph.");
}

TEST(PageSection, BudgetIsTestedBeforeEachParagraphIsAdded) {
  const std::string page = "Aaaa.\nBbbb.\nCccc.\nDddd.\nEeee.\nFfff.";  // five characters each
  // Backwards while fewer than 10 have been gathered (C's own 5 included): B comes in, A does not.
  // Forwards while fewer than 10 / 2 = 5: D comes in (overshooting to 5), E does not.
  EXPECT_EQ(around(page, 13, 10), "Bbbb.\nCccc.\nDddd.");
  EXPECT_EQ(around(page, 13, 11), "Aaaa.\nBbbb.\nCccc.\nDddd.");
  EXPECT_EQ(around(page, 13, 0), "Cccc.");
}

TEST(PageSection, OffsetsCountCharactersAndEmptyParagraphsAreLeftOut) {
  // "e" + combining acute is one character; by bytes offset 5 would still be in the first line.
  const std::string page = "e\u0301e\u0301e\u0301.\nSecond.\n\n   \nThird.";
  EXPECT_EQ(around(page, 5, 1), "Second.");
  EXPECT_EQ(around(page, 0, 100), "e\u0301e\u0301e\u0301.\nSecond.\nThird.");
}

}  // namespace
