#include <gtest/gtest.h>

#include "core/library/notes_store.h"
#include "core/page/page_excerpt.h"
#include "core/text/text.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/temp_home.h"

using namespace orvak;

namespace {

constexpr double kT = 1'800'000'000;

class PagesTest : public ::testing::TestWithParam<bool> {
 protected:
  PagesTest()
      : db(test::freshDir("pages") / "notes.sqlite"),
        store(db, std::nullopt, NotesStore::Options{.simulateMissingFullTextSearch = !GetParam()}) {}
  bool fullText() const { return GetParam(); }
  std::filesystem::path db;
  NotesStore store;
};

std::vector<std::string> keysOf(const std::vector<PageHit>& hits) {
  std::vector<std::string> out;
  for (const auto& h : hits) out.push_back(h.docKey);
  return out;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(SearchModes, PagesTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "FTS5" : "LIKE"; });

TEST_P(PagesTest, StoringAgainKeepsFirstSeenAndKeepButClearsTheWarning) {
  store.savePageText("k", "Old title", "Firefox", std::string("https://a"), "First text.", Date{kT});
  store.markWarned({"k"}, Date{kT + 10});
  store.keepPages({"k"});
  store.keepPages({});
  store.savePageText("k", "New title", "Firefox", std::nullopt, "Second text.", Date{kT + 100});
  EXPECT_EQ(test::column(db, "SELECT first || ' ' || last || ' ' || keep || ' ' || quote(warned) || ' ' || title || ' ' || "
                       "quote(url) FROM page_text"),
            "1800000000.0 1800000100.0 1 NULL New title NULL");
  EXPECT_EQ(store.pageText("k"), "Second text.");

  // A blank text stores nothing and leaves the row, warning included, as it was.
  store.markWarned({"k"}, Date{kT + 200});
  store.savePageText("k", "Blank", "Firefox", std::nullopt, " \n\t ", Date{kT + 300});
  EXPECT_EQ(store.pageText("k"), "Second text.");
  EXPECT_EQ(test::column(db, "SELECT warned FROM page_text"), "1800000200.0");
  store.savePageText("blank", "Blank", "Firefox", std::nullopt, "", Date{kT});
  EXPECT_FALSE(store.hasPageText("blank"));
  EXPECT_TRUE(store.hasPageText("k"));
  EXPECT_EQ(store.pageTextCount(), 1);
}

TEST_P(PagesTest, LongTextsAreCutNotRefused) {
  // 400,001 characters, one of them a decomposed é (two code points), with white space at both
  // ends that is kept.
  std::string text = "  e\xcc\x81";
  text += std::string(NotesStore::pageTextCap - 3, 'x');
  text += "y";
  store.savePageText("long", "T", "A", std::nullopt, text, Date{kT});
  const auto stored = store.pageText("long");
  ASSERT_TRUE(stored);
  EXPECT_EQ(text::graphemeCount(*stored), NotesStore::pageTextCap);
  EXPECT_EQ(stored->substr(0, 5), "  e\xcc\x81");
  EXPECT_EQ(stored->back(), 'x');

  // Ten megabytes are cut to the cap as well.
  store.savePageText("huge", "T", "A", std::nullopt, std::string(10 * 1024 * 1024, 'z'), Date{kT});
  EXPECT_EQ(store.pageText("huge")->size(), static_cast<std::size_t>(NotesStore::pageTextCap));
}

TEST_P(PagesTest, SearchFindsPagesByPrefixTitleAndRank) {
  store.savePageText("computers", "Hardware notes", "Safari", std::nullopt,
                     "The computer in the corner hums. Nobody knows why.", Date{kT});
  store.savePageText("title-only", "Computing history", "Safari", std::nullopt, "Nothing about it in the body.",
                     Date{kT + 1});
  store.savePageText("other", "Cooking", "Safari", std::nullopt, "Bread and butter.", Date{kT + 2});

  const auto hits = store.searchPages({"Comp"}, 5, 40);
  if (fullText()) {
    EXPECT_EQ(hits.size(), 2u);
    // A page matched by its title alone gets its opening as the excerpt.
    for (const auto& h : hits) {
      if (h.docKey == "title-only") {
        EXPECT_EQ(h.excerpt, "Nothing about it in the body.");
      }
    }
    EXPECT_TRUE(store.searchPages({"puter"}, 5, 40).empty());
  } else {
    EXPECT_EQ(keysOf(hits), (std::vector<std::string>{"computers"}));
    EXPECT_EQ(keysOf(store.searchPages({"puter"}, 5, 40)), (std::vector<std::string>{"computers"}));
  }

  // Terms that normalise to under three characters, or to nothing, search nothing.
  EXPECT_TRUE(store.searchPages({"U.K.", "of", "AI"}, 5, 40).empty());
  EXPECT_TRUE(store.searchPages({"!!!", "\"*", "%_"}, 5, 40).empty());
  // A letter that joins with whatever follows it (U+0D4E) must not carry a quote into the
  // full-text expression, where it would break the search for every other term, nor a percent
  // sign into a LIKE pattern.
  EXPECT_EQ(keysOf(store.searchPages({"computer", "\xe0\xb5\x8e\"ab"}, 5, 40)), (std::vector<std::string>{"computers"}));
  store.savePageText("reph", "R", "Safari", std::nullopt, "\xe0\xb5\x8e" "a yz", Date{kT + 3});
  EXPECT_TRUE(store.searchPages({"\xe0\xb5\x8e%yz"}, 5, 40).empty());
  EXPECT_TRUE(store.searchPages({"comp"}, 0, 40).empty());
}

TEST_P(PagesTest, SearchRanksDenseMatchesFirstWithFullText) {
  std::string longText;
  for (int i = 0; i < 200; ++i) longText += "Plain sentence number " + std::to_string(i) + ". ";
  store.savePageText("sparse", "A", "App", std::nullopt, longText + "One quantum mention.", Date{kT + 5});
  store.savePageText("dense", "B", "App", std::nullopt, "Quantum here, quantum there, quantum everywhere.", Date{kT});
  const auto hits = store.searchPages({"quantum"}, 5, 60);
  ASSERT_EQ(hits.size(), 2u);
  // Full text ranks by relevance; LIKE lists the newest first.
  EXPECT_EQ(hits[0].docKey, fullText() ? "dense" : "sparse");
  for (const auto& h : hits) EXPECT_NE(text::lowercase(h.excerpt).find("quantum"), std::string::npos) << h.excerpt;
}

TEST_P(PagesTest, PageNormalisesItsTermsAndRecentPagesListNewestFirst) {
  store.savePageText("a", "A", "App", std::string("https://a"), "Intro. The Quantum-Leap happened here.", Date{kT});
  store.savePageText("b", "B", "App", std::nullopt, "Second page.", Date{kT + 60});
  const auto hit = store.page("a", {"QUANTUM"}, 12);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->excerpt, "The Quantum\u2026");
  EXPECT_EQ(hit->url, "https://a");
  EXPECT_EQ(hit->last, Date{kT});
  EXPECT_FALSE(store.page("missing", {}, 20));

  const auto recent = store.recentPages(5, 6);
  ASSERT_EQ(keysOf(recent), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(recent[0].excerpt, "Second\u2026");
  EXPECT_TRUE(store.recentPages(0, 10).empty());

  store.deletePageText("b");
  EXPECT_EQ(store.pageTextCount(), 1);
  store.clearPageTexts();
  EXPECT_EQ(store.pageTextCount(), 0);
}

TEST(PageExcerptTest, NormalisesTermsAsSearchDoes) {
  EXPECT_EQ(normalisePageTerms({"U.K.", "of", "AI", "Don't", "Caf\xc3\xa9!", "r\xc3\xa9sum\xc3\xa9", "Don't"}),
            (std::vector<std::string>{"dont", "caf\xc3\xa9", "r\xc3\xa9sum\xc3\xa9", "dont"}));
}

TEST(PageExcerptTest, CutsAroundTheFirstTermThatOccurs) {
  const auto filler = [](int n) { return std::string(static_cast<std::size_t>(n), 'a'); };
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> terms;
    int n;
    std::string expected;
  };
  const std::string early = filler(50) + " needle " + filler(400);
  const std::string middle = filler(1000) + "needle" + filler(1000);
  const std::string nearEnd = filler(900) + ". Then " + filler(150) + "needle" + filler(500);
  const std::string farEnd = "Start. " + filler(993) + "needle" + filler(500);
  const Case cases[] = {
      {"match near the start", early, {"needle"}, 300, filler(50) + " needle " + filler(242) + "\u2026"},
      {"match in the middle, no sentence end: starts a third before", middle, {"needle"}, 300,
       filler(100) + "needle" + filler(194) + "\u2026"},
      {"sentence end within the third moves the start after it", nearEnd, {"needle"}, 300,
       "Then " + filler(150) + "needle" + filler(138) + "\u2026"},
      {"sentence end further back than a third is not used", farEnd, {"needle"}, 300,
       filler(100) + "needle" + filler(194) + "\u2026"},
      {"no term: the opening", "Short text.  ", {"zzz"}, 300, "Short text."},
      {"the first listed term that occurs decides", "one two three", {"three", "one"}, 20, "e two three"},
      {"exact end: no ellipsis", "abcdef", {}, 6, "abcdef"},
      {"cut short: ellipsis after the last non-blank", "abc   def", {}, 5, "abc\u2026"},
  };
  for (const auto& c : cases) {
    const std::string got = pageExcerpt(c.text, c.terms, c.n);
    EXPECT_EQ(got, c.expected) << c.what;
    if (!c.terms.empty() && c.text.find(c.terms[0]) != std::string::npos) {
      EXPECT_NE(got.find(c.terms[0]), std::string::npos) << c.what << ": the match is in the excerpt";
    }
  }
}

TEST(PageExcerptTest, CountsCharactersNotBytes) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "\xc3\xa9";  // 40 two-byte characters
  text += "needle and more";
  EXPECT_EQ(pageExcerpt(text, {"needle"}, 12), "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9needle a\xe2\x80\xa6");
}
