// Kickers, credits, bylines, header metadata, mail furniture, the subject paragraph and the
// page-end cuts.
#include <gtest/gtest.h>

#include "core/page/cleaner_stages.h"
#include "core/text/text.h"
#include "tests/core/page/cleaner_page.h"

namespace detail = orvak::Cleaner::detail;
using orvak::TextSpan;
using orvak::testing::prose;
using orvak::testing::texts;

namespace {

detail::Para para(std::string text, bool heading = false, bool inHeader = false) {
  detail::Para p;
  p.length = orvak::text::graphemeCount(text);
  p.spans = {{0, 0, p.length}};
  p.text = std::move(text);
  p.heading = heading;
  p.inHeader = inHeader;
  return p;
}

}  // namespace

TEST(CleanerParagraphFiltersTest, Kicker) {
  struct Case {
    const char* what;
    std::vector<detail::Para> paras;
    std::string strategy;
    std::size_t dropped;
  };
  const std::string teaser40 = prose(40, 1), teaser61 = prose(61, 1);
  const Case cases[] = {
      {"label and teaser above the headline", {para("WORLD NEWS"), para(teaser40), para("The Council Votes Tonight", true), para(prose(300))}, "article", 2},
      {"teaser too long", {para("WORLD NEWS"), para(teaser61), para("The Council Votes Tonight", true)}, "article", 0},
      {"shouting headline", {para("World"), para(teaser40), para("THE COUNCIL VOTES TONIGHT", true)}, "article", 0},
      // A heading of two words is no headline: it goes with the kicker.
      {"two-word heading", {para("World"), para("Votes Tonight", true), para("The Council Votes Tonight", true)}, "articles-lca(2)", 2},
      {"headline first", {para("The Council Votes Tonight", true), para(teaser40)}, "article", 0},
      {"not an article", {para("World"), para("The Council Votes Tonight", true)}, "landmark-main", 0},
      {"headline fifth", {para("a"), para("b"), para("c"), para("d"), para("The Council Votes Tonight", true)}, "article", 0},
  };
  for (const Case& c : cases) {
    auto paras = c.paras;
    detail::DropCounters dropped;
    detail::dropKicker(paras, c.strategy, dropped);
    EXPECT_EQ(paras.size(), c.paras.size() - c.dropped) << c.what;
    EXPECT_EQ(dropped.pieces["kicker"], int(c.dropped)) << c.what;
  }
}

TEST(CleanerParagraphFiltersTest, FurnitureParagraphs) {
  struct Case {
    detail::Para para;
    std::string strategy;
    bool mailPage;
    const char* reason;  // nullptr: kept
  };
  const Case cases[] = {
      {para("Photo: Jane Roe for The Paper"), "article", false, "credit"},
      {para("Photo: " + prose(114)), "article", false, nullptr},          // 121 characters
      {para("Photo: " + prose(113)), "article", false, "credit"},         // 120
      {para("By Jane Roe and Max Poe"), "article", false, "byline"},
      {para("By Jane Roe and Max Poe", true), "article", false, nullptr},  // a heading is no byline
      {para("Updated 3 June", false, true), "article", false, "header-meta"},
      {para("Updated 3 June", false, true), "landmark-main", false, nullptr},
      {para("Updated 3 June", true, true), "article", false, nullptr},
      {para("Reply all"), "window", true, "mail-furniture"},
      {para("Reply all"), "window", false, nullptr},
      {para("Ann Lee <ann@example.com>", true), "window", true, "mail-furniture"},  // a heading with "@"
      {para("view this email in your browser"), "window", true, "mail-furniture"},
      {para("view this email in your browser", true), "window", true, nullptr},  // heading of 31 characters
  };
  for (const Case& c : cases) {
    std::vector<detail::Para> paras{c.para};
    detail::DropCounters dropped;
    detail::filterParagraphs(paras, c.strategy, c.mailPage, dropped);
    if (c.reason) {
      EXPECT_TRUE(paras.empty()) << c.para.text;
      EXPECT_EQ(dropped.chars[c.reason], c.para.length) << c.para.text;
      EXPECT_EQ(dropped.pieces[c.reason], 1) << c.para.text;
    } else {
      EXPECT_EQ(paras.size(), 1u) << c.para.text;
    }
  }
}

TEST(CleanerParagraphFiltersTest, SubjectParagraphGoesFirst) {
  std::vector<detail::Para> paras{para("Body")};
  detail::putSubjectFirst(paras, " Lunch\u00a0on  Friday ");
  ASSERT_EQ(texts(paras), (std::vector<std::string>{"Lunch on Friday", "Body"}));
  EXPECT_TRUE(paras[0].heading);
  EXPECT_TRUE(paras[0].visible);
  EXPECT_EQ(paras[0].framedChars, 0);
  EXPECT_TRUE(paras[0].spans.empty());
  detail::putSubjectFirst(paras, "\u200b ");
  EXPECT_EQ(paras.size(), 2u);
}

TEST(CleanerParagraphFiltersTest, BackMatterCutsOnlyInTheLastThreeFifths) {
  struct Case {
    int before;  // characters of body text before the heading
    bool cut;
  };
  for (const Case& c : {Case{300, true}, Case{150, false}}) {
    std::vector<detail::Para> paras{para(prose(c.before)), para("References", true), para(prose(200, 2)),
                                    para(prose(50, 3))};
    auto text = detail::layout(paras);
    detail::DropCounters dropped;
    detail::cutBackMatter(paras, text, true, dropped);
    if (c.cut) {
      EXPECT_EQ(texts(paras), (std::vector<std::string>{prose(c.before)}));
      EXPECT_EQ(text.text, prose(c.before));
      EXPECT_EQ(dropped.chars["back-matter"], 10 + 2 + 200 + 2 + 50);
      EXPECT_EQ(dropped.pieces["back-matter"], 3);
    } else {
      EXPECT_EQ(paras.size(), 4u);
      EXPECT_TRUE(dropped.chars.empty());
    }
  }
}

TEST(CleanerParagraphFiltersTest, QuotedReplyCutKeepsSpansOnTheText) {
  // The cut paragraph loses its quoted tail and its leading blanks; spans move with the text.
  detail::Para mixed = para("  Thanks, see you then.\nOn Mon, 3 Jun 2024, Ann <ann@x.test> wrote:\n> earlier");
  mixed.spans = {{5, 0, 10}, {6, 10, 30}, {7, 30, mixed.length}};
  std::vector<detail::Para> paras{para("Hello Bob"), mixed, para("> more quoted")};
  auto text = detail::layout(paras);
  detail::DropCounters dropped;
  detail::cutQuotedReply(paras, text, dropped);
  ASSERT_EQ(texts(paras), (std::vector<std::string>{"Hello Bob", "Thanks, see you then."}));
  EXPECT_EQ(paras[1].spans, (std::vector<TextSpan>{{5, 0, 8}, {6, 8, 21}}));
  EXPECT_EQ(text.text, "Hello Bob\n\nThanks, see you then.");
  EXPECT_EQ(text.starts, (std::vector<int>{0, 11}));
  // Everything from the marker (24 characters into the paragraph) to the end.
  EXPECT_EQ(dropped.chars["quoted-reply"], mixed.length - 24 + 2 + 13);
  EXPECT_FALSE(dropped.pieces.contains("quoted-reply"));

  // A marker that starts a later paragraph drops it and what follows.
  std::vector<detail::Para> whole{para("Fine."), para("-----Original Message-----\nFrom: Ann")};
  text = detail::layout(whole);
  detail::cutQuotedReply(whole, text, dropped);
  EXPECT_EQ(texts(whole), (std::vector<std::string>{"Fine."}));

  // A marker at the very start of the text cuts nothing.
  std::vector<detail::Para> first{para("Sent from my iPhone"), para("Body")};
  text = detail::layout(first);
  detail::cutQuotedReply(first, text, dropped);
  EXPECT_EQ(first.size(), 2u);
}
