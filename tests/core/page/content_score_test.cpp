#include "core/page/content_score.h"

#include <gtest/gtest.h>

#include "tests/core/page/cleaner_page.h"

using orvak::ContentScore;
namespace ContentScorer = orvak::ContentScorer;
using orvak::testing::prose;

namespace {

// `n` characters of words that never repeat ("t0 t1 t2 ..."), from word number `first`.
std::string distinctWords(int n, int first = 0) {
  std::string s;
  for (int k = first; int(s.size()) < n; ++k) s += (s.empty() ? "t" : " t") + std::to_string(k);
  s.resize(std::size_t(n));
  if (s.back() == ' ') s.back() = 'x';
  return s;
}

// `count` sentences of `each` characters (the full stop included), joined by spaces.
std::string sentences(int count, int each) {
  std::string s;
  for (int i = 0; i < count; ++i) s += (i ? " " : "") + distinctWords(each - 1, i * 1000) + ".";
  return s;
}

}  // namespace

TEST(ContentScoreTest, EmptyText) {
  const ContentScore s = ContentScorer::score(" \n\t \r\n ");
  EXPECT_EQ(s, (ContentScore{0, "empty", std::nullopt, 0, 0, 0, 0, {"empty"}}));
}

TEST(ContentScoreTest, BlockPhrasesOnlyInShortTexts) {
  const std::string wall = "Please VERIFY you are Human before going on. " + prose(255);
  const ContentScore s = ContentScorer::score(wall);
  EXPECT_EQ(s.blocked, "verify you are human");
  EXPECT_EQ(s.score, 0);
  EXPECT_EQ(s.quality, "poor");
  EXPECT_EQ(s.issues.back(), "blocked:verify you are human");

  // Table order decides between two phrases, not position in the text.
  EXPECT_EQ(ContentScorer::score("captcha then access denied").blocked, "access denied");

  const std::string at1499 = "verify you are human " + prose(1499 - 21);
  const std::string at1500 = "verify you are human " + prose(1500 - 21);
  EXPECT_EQ(ContentScorer::score(at1499).blocked, "verify you are human");
  EXPECT_EQ(ContentScorer::score(at1500).blocked, std::nullopt);
}

TEST(ContentScoreTest, LengthBands) {
  struct Case {
    int length;
    bool shortIssue;
  };
  // Texts of one "sentence", so only the length and the weighted measures change.
  int previous = -1;
  for (const Case& c : {Case{200, true}, Case{201, true}, Case{500, true}, Case{501, false}, Case{2000, false},
                        Case{2001, false}}) {
    const ContentScore s = ContentScorer::score(prose(c.length));
    EXPECT_EQ(s.length, c.length);
    const bool hasShort = !s.issues.empty() && s.issues.front() == "short";
    EXPECT_EQ(hasShort, c.shortIssue) << c.length;
    EXPECT_GE(s.score, previous) << c.length;
    previous = s.score;
  }
  // 2,000 and 2,001 characters differ only by the length points (10 against 20).
  EXPECT_EQ(ContentScorer::score(prose(2001)).score - ContentScorer::score(prose(2000)).score, 10);
}

TEST(ContentScoreTest, FullMarksAndIssueOrder) {
  const ContentScore best = ContentScorer::score(sentences(12, 180));
  EXPECT_EQ(best.sentences, 12);
  EXPECT_EQ(best.score, 100);
  EXPECT_EQ(best.quality, "excellent");
  EXPECT_TRUE(best.issues.empty());

  const ContentScore nav = ContentScorer::score("Home menu login share follow");
  EXPECT_EQ(nav.issues, (std::vector<std::string>{"short", "few sentences", "nav words"}));
  EXPECT_EQ(nav.navRatio, 1.0);
  EXPECT_EQ(nav.diversity, 1.0);

  const ContentScore low = ContentScorer::score("aa aa aa bb bb bb");  // diversity 1/3
  EXPECT_EQ(low.diversity, 0.333);
  EXPECT_EQ(low.issues, (std::vector<std::string>{"short", "few sentences", "low diversity"}));
}

TEST(ContentScoreTest, ScoreIsTheRoundedWeightedSum) {
  struct Case {
    std::string text;
    int score;
    std::string quality;
  };
  std::string halfTagged = distinctWords(500);
  halfTagged[250] = '<';  // markup 0.002: 15 points, weighed 0.5
  const Case cases[] = {
      // 1,000 characters, weight 1: 10 length + 15 sentences (7) + 20 + 20 + 20.
      {sentences(7, 142) + std::string(1000 - 7 * 142 - 6, 'x'), 85, "excellent"},
      // 250 characters, one sentence: 5 + 0 + (20 + 20 + 20) x 0.25.
      {distinctWords(250), 20, "poor"},
      // 500 characters: 5 + 0 + 7.5 + 10 + 10 = 32.5, rounded away from zero.
      {halfTagged, 33, "poor"},
      // 2,001 characters in 7 sentences (the unfinished last one counts): 20 + 15 + 60.
      {sentences(6, 300) + " " + distinctWords(2001 - 6 * 300 - 5 - 1, 9000), 95, "excellent"},
  };
  for (const Case& c : cases) {
    const ContentScore s = ContentScorer::score(c.text);
    EXPECT_EQ(s.score, c.score) << c.text.size();
    EXPECT_EQ(s.quality, c.quality) << c.text.size();
  }
}

TEST(ContentScoreTest, DiversityAndNavRatioKeepThreeDecimals) {
  // 3 distinct of 9 words.
  EXPECT_EQ(ContentScorer::score("a b c a b c a b c").diversity, 0.333);
  // 2 distinct words among 3 (0.6667 rounds up): "é" spelled two ways is one word.
  EXPECT_EQ(ContentScorer::score("caf\u00e9 cafe\u0301 tea").diversity, 0.667);
}
