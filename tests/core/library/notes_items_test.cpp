#include <gtest/gtest.h>

#include <algorithm>

#include "core/library/notes_store.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/temp_home.h"

using namespace orvak;
using test::item;
using Kind = ResearchItem::Kind;

namespace {

std::vector<std::string> quotes(const std::vector<StoredItem>& items) {
  std::vector<std::string> out;
  for (const auto& s : items) out.push_back(s.item.quote);
  return out;
}

ResearchItem onPage(double ts, std::string quote, std::optional<std::int64_t> sentence, std::string title) {
  ResearchItem i = item(ts, std::move(quote), std::nullopt);
  i.app = "Notes";
  i.windowTitle = std::move(title);
  i.sentenceIndex = sentence;
  return i;
}

// Every behaviour that does not depend on the search mode runs on both kinds of store.
class NotesItemsTest : public ::testing::TestWithParam<bool> {
 protected:
  NotesItemsTest()
      : store(test::freshDir("items") / "notes.sqlite", std::nullopt,
              NotesStore::Options{.simulateMissingFullTextSearch = !GetParam()}) {}
  bool fullText() const { return GetParam(); }
  NotesStore store;
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(SearchModes, NotesItemsTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "FTS5" : "LIKE"; });

TEST_P(NotesItemsTest, PageKeysGroupItemsIntoDocuments) {
  struct Case {
    std::optional<std::string> url;
    std::string title;
    std::string key;
  };
  const Case cases[] = {
      {"https://example.org/a#b#c", "T", "https://example.org/a"},
      {"#top", "T", ""},
      {"", "Doc", "Notes|Doc"},
      {std::nullopt, "Doc", "Notes|Doc"},
      {std::nullopt, "", "Notes|"},
  };
  for (const auto& c : cases) {
    ResearchItem i = item(1, "q", c.url);
    i.app = "Notes";
    i.windowTitle = c.title;
    const auto id = store.insert(i);
    EXPECT_EQ(store.item(id)->docKey, c.key);
  }

  store.insert(onPage(50, "newest", std::nullopt, "Doc"));
  ResearchItem noted = onPage(40, "noted", std::nullopt, "Doc");
  noted.kind = Kind::note;
  store.insert(noted);
  const auto docs = store.documents();
  ASSERT_EQ(docs.size(), 4u);
  EXPECT_EQ(docs[0].key, "Notes|Doc");
  EXPECT_EQ(docs[0].count, 4);
  EXPECT_EQ(docs[0].highlights, 3);
  EXPECT_EQ(docs[0].notes, 1);
  EXPECT_EQ(docs[0].lastSaved, Date{50});
  EXPECT_EQ(docs[0].title, "Doc");
  EXPECT_FALSE(docs[0].url);
}

TEST_P(NotesItemsTest, ItemsOfADocumentComeInReadingOrder) {
  store.insert(onPage(5, "late, no sentence", std::nullopt, "P"));
  store.insert(onPage(9, "seven", 7, "P"));
  store.insert(onPage(2, "early, no sentence", std::nullopt, "P"));
  store.insert(onPage(8, "three", 3, "P"));
  store.insert(onPage(1, "elsewhere", 1, "Other"));
  EXPECT_EQ(quotes(store.items("Notes|P")),
            (std::vector<std::string>{"three", "seven", "early, no sentence", "late, no sentence"}));
  EXPECT_TRUE(store.items("nothing").empty());
}

TEST_P(NotesItemsTest, SavedItemComesBackFirstThroughTheResearchInterface) {
  ResearchStore& research = store;
  research.save(item(100, "older"));
  research.save(item(100, "same time, later row"));
  research.save(item(50, "oldest"));
  const auto recent = research.recent(2);
  ASSERT_EQ(recent.size(), 2u);
  EXPECT_EQ(recent[0].quote, "same time, later row");
  EXPECT_EQ(recent[1].quote, "older");
  EXPECT_EQ(store.count(), 3);
}

TEST_P(NotesItemsTest, SearchNeedsEveryWordAndFiltersByKind) {
  store.insert(item(1, "Neural networks learn representations"));
  store.insert(item(2, "Networks of roads"));
  ResearchItem n = item(3, "Deep neural nets");
  n.kind = Kind::note;
  n.note = "compare with networks";
  store.insert(n);
  store.insert(item(4, "Caf\xc3\xa9 cr\xc3\xa8me in Paris"));

  EXPECT_EQ(quotes(store.search("neural networks", std::nullopt, 10)),
            (std::vector<std::string>{"Deep neural nets", "Neural networks learn representations"}));
  EXPECT_EQ(quotes(store.search("NEURAL", Kind::note, 10)), (std::vector<std::string>{"Deep neural nets"}));
  EXPECT_EQ(quotes(store.search("networks", Kind::highlight, 1)), (std::vector<std::string>{"Networks of roads"}));
  // Words are cut at anything that is not a letter or a number: quotes and percent signs never
  // reach the statement.
  EXPECT_EQ(store.search("\"neural\" % _", std::nullopt, 10).size(), 2u);
  EXPECT_EQ(quotes(store.search("caf\xc3\xa9", std::nullopt, 10)), (std::vector<std::string>{"Caf\xc3\xa9 cr\xc3\xa8me in Paris"}));
  EXPECT_TRUE(store.search("submarine", std::nullopt, 10).empty());
}

TEST_P(NotesItemsTest, QueryWithoutWordsListsTheNewest) {
  store.insert(item(1, "one"));
  ResearchItem n = item(2, "two");
  n.kind = Kind::note;
  store.insert(n);
  store.insert(item(3, "three"));
  EXPECT_EQ(quotes(store.search("!!!", std::nullopt, 2)), quotes(store.recentItems(2)));
  EXPECT_EQ(quotes(store.search("  ", Kind::note, 5)), (std::vector<std::string>{"two"}));
  EXPECT_EQ(quotes(store.search("", Kind::highlight, 5)), (std::vector<std::string>{"three", "one"}));
}

TEST_P(NotesItemsTest, EditingTheNoteTrimsItAndMakesANote) {
  const auto id = store.insert(item(1, "a passage"));
  store.updateNote(id, std::string("  hello \n"));
  auto s = store.item(id);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->item.note, "hello");
  EXPECT_EQ(s->item.kind, Kind::note);
  ASSERT_TRUE(s->editedAt);
  EXPECT_EQ(quotes(store.search("hello", std::nullopt, 5)), (std::vector<std::string>{"a passage"}));

  const auto other = store.insert(item(2, "another"));
  store.updateNote(other, std::string("   "));
  s = store.item(other);
  EXPECT_EQ(s->item.note, "");
  EXPECT_EQ(s->item.kind, Kind::highlight);

  // Clearing a note keeps the kind it had.
  store.updateNote(id, std::nullopt);
  s = store.item(id);
  EXPECT_FALSE(s->item.note);
  EXPECT_EQ(s->item.kind, Kind::note);
  EXPECT_TRUE(store.search("hello", std::nullopt, 5).empty());
}

TEST_P(NotesItemsTest, DeleteAndRestoreKeepTheSameItem) {
  store.insert(item(1, "keep me"));
  const auto id = store.insert(item(2, "bring me back"));
  store.updateNote(id, std::string("with a note"));
  const auto before = *store.item(id);

  store.deleteItem(id);
  EXPECT_FALSE(store.item(id));
  EXPECT_TRUE(store.search("bring", std::nullopt, 5).empty());
  store.deleteItem(id);  // already gone: still fine

  store.restore(before);
  EXPECT_EQ(store.item(id), before);
  EXPECT_EQ(quotes(store.search("bring", std::nullopt, 5)), (std::vector<std::string>{"bring me back"}));
  try {
    store.restore(before);
    FAIL() << "restored twice";
  } catch (const NotesStoreError& e) {
    EXPECT_NE(e.message.find("UNIQUE"), std::string::npos) << e.message;
  }
  EXPECT_EQ(store.count(), 2);
}

TEST_P(NotesItemsTest, MarkdownListsEachPageWithItsQuotesNotesAndDates) {
  ResearchItem a = item(1000, "first line\nsecond line", std::nullopt);
  a.app = "Safari";
  a.windowTitle = "";
  store.insert(a);
  ResearchItem b = item(2000, "on the web");
  b.kind = Kind::note;
  b.note = "worth a look";
  store.insert(b);

  const std::string safari = store.markdown(std::string_view("Safari|"));
  EXPECT_EQ(safari.rfind("## Safari\n\n_Safari_\n\n> first line\n> second line\n\n<sub>", 0), 0u) << safari;
  EXPECT_EQ(safari.substr(safari.size() - 8), "</sub>\n\n");

  const std::string all = store.markdown(std::nullopt);
  EXPECT_EQ(all.rfind("## Example page\n\n<https://example.org/a>\n\n> on the web\n\nworth a look\n\n<sub>", 0), 0u) << all;
  EXPECT_NE(all.find("## Safari"), std::string::npos);
  EXPECT_EQ(store.markdown(std::string_view("unknown")), "");
}

TEST_P(NotesItemsTest, SearchModesDifferAsDocumented) {
  store.insert(item(1, "machine learning"));
  ResearchItem o = item(2, "Paddy O'Neil wrote it", "https://neil.example/x");
  store.insert(o);
  if (fullText()) {
    // Only the last word may be the start of a word; diacritics fold away; the app and the
    // address are indexed too.
    EXPECT_EQ(store.search("machine learn", std::nullopt, 5).size(), 1u);
    EXPECT_TRUE(store.search("mach learning", std::nullopt, 5).empty());
    EXPECT_EQ(store.search("m\xc3\xa1\x63hine", std::nullopt, 5).size(), 1u);
    EXPECT_EQ(store.search("firefox", std::nullopt, 5).size(), 2u);
  } else {
    // Plain substrings of quote, note and window title.
    EXPECT_EQ(store.search("mach learning", std::nullopt, 5).size(), 1u);
    EXPECT_TRUE(store.search("firefox", std::nullopt, 5).empty());
  }
  // "o'neil" is the two words "o" and "neil".
  EXPECT_EQ(quotes(store.search("o'neil", std::nullopt, 5)), (std::vector<std::string>{"Paddy O'Neil wrote it"}));
}

// A word found in thousands of items (or the first letter typed) takes the newest-first walk
// instead of the join; both must give exactly the newest matching items, whatever order the ids
// were given in.
TEST(NotesSearchTest, ManyMatchesGiveTheNewestInTimeOrder) {
  NotesStore store(test::freshDir("items") / "notes.sqlite", std::nullopt);
  struct Row {
    double ts;
    std::string quote;
    Kind kind;
  };
  std::vector<Row> rows;
  store.exec("BEGIN");
  for (int i = 0; i < 3000; ++i) {
    // Save times shuffled against the ids (as an import or a clock change leaves them).
    const double ts = 1000 + (i * 1237) % 3000;
    std::string quote = i % 7 == 0 ? "rare words only" : "common ground number " + std::to_string(i);
    ResearchItem it = item(ts, quote);
    it.kind = i % 3 == 0 ? Kind::note : Kind::highlight;
    store.insert(it);
    rows.push_back({ts, quote, it.kind});
  }
  store.exec("COMMIT");
  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.ts > b.ts; });

  const auto expected = [&](std::optional<Kind> kind, std::size_t limit) {
    std::vector<std::string> out;
    for (const auto& r : rows) {
      if (out.size() == limit) break;
      if (r.quote.rfind("common", 0) == 0 && (!kind || r.kind == *kind)) out.push_back(r.quote);
    }
    return out;
  };
  EXPECT_EQ(quotes(store.search("common", std::nullopt, 40)), expected(std::nullopt, 40));
  EXPECT_EQ(quotes(store.search("gro", Kind::note, 25)), expected(Kind::note, 25));
  EXPECT_EQ(quotes(store.search("c", Kind::highlight, 10)), expected(Kind::highlight, 10));
  // A large limit goes back to the join and still agrees.
  EXPECT_EQ(quotes(store.search("common ground", std::nullopt, 500)), expected(std::nullopt, 500));
  EXPECT_EQ(store.search("rare", std::nullopt, 1000).size(), 429u);
}

// The full-text search collects its matches from the index and then sorts or walks them by time,
// rather than sorting the plain join of index and items. On a library with every kind of word
// (nearly everywhere, a handful of items, a prefix, only in notes or addresses) both must list
// the same items in the same order, through the sorted join and through the newest-first walk.
// The plain join leaves items saved in the same second in whatever order its plan yields; the
// store lists the later-saved row first, as recentItems and the LIKE form do, so ties are
// compared against the join with that tie-break and the save times against the join as it is.
TEST(NotesSearchTest, FullTextSearchListsWhatThePlainJoinLists) {
  const auto db = test::freshDir("items") / "notes.sqlite";
  NotesStore store(db, std::nullopt);
  store.exec("BEGIN");
  for (int i = 0; i < 4000; ++i) {
    std::string quote = (i % 10 ? "common " : "") + std::string("word") + std::to_string(i % 37);
    if (i % 97 == 0) quote += " rare";
    if (i % 5 == 0) quote += " middling";
    ResearchItem it = item(1000 + (i * 7919) % 1600, quote,
                           i % 11 ? std::optional<std::string>() : "https://host.example/p" + std::to_string(i));
    it.kind = (i * 31) % 7 < 3 ? Kind::note : Kind::highlight;
    if (i % 13 == 0) it.note = "noted aside";
    store.insert(it);
  }
  store.exec("COMMIT");

  test::RawDb raw(db);
  const auto join = [&](const std::vector<std::string>& words, std::optional<Kind> kind, std::size_t limit,
                        const char* column, const char* tieBreak) {
    std::string match;
    for (const auto& w : words) match += (match.empty() ? "\"" : " \"") + w + "\"";
    match += "*";
    return raw.rows(std::string("SELECT ") + column +
                    " FROM items_fts JOIN items ON items.id = items_fts.rowid WHERE items_fts MATCH '" + match + "'" +
                    (kind ? " AND kind = '" + std::string(rawValue(*kind)) + "'" : "") + " ORDER BY items.ts DESC" +
                    tieBreak + " LIMIT " + std::to_string(limit));
  };
  const std::vector<std::vector<std::string>> queries{
      {"common"}, {"com"},   {"c"},          {"word1"}, {"word3"},    {"common", "middling"},
      {"rare"},   {"common", "rar"}, {"host"}, {"noted"}, {"firefox"}, {"nothing"}};
  int compared = 0;
  for (const auto& words : queries) {
    std::string text;
    for (const auto& w : words) text += w + " ";
    for (const std::optional<Kind> kind : {std::optional<Kind>(), std::optional(Kind::note), std::optional(Kind::highlight)}) {
      for (const std::size_t limit : {1, 7, 40, 150, 500, 5000}) {
        const auto found = store.search(text, kind, limit);
        std::vector<std::string> ids, times;
        for (const auto& s : found) {
          ids.push_back(std::to_string(s.id));
          times.push_back(std::to_string(static_cast<std::int64_t>(s.item.ts.sinceEpoch)));
        }
        const std::string what = text + std::string(kind ? rawValue(*kind) : "any") + " " + std::to_string(limit);
        EXPECT_EQ(ids, join(words, kind, limit, "items.id", ", items.id DESC")) << what;
        EXPECT_EQ(times, join(words, kind, limit, "CAST(items.ts AS INTEGER)", "")) << what;
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 216);
  // No limit to speak of: every match, whatever path the search takes.
  EXPECT_EQ(store.search("firefox", std::nullopt, SIZE_MAX).size(), 4000u);
}

// Whatever the user types, words stay words: no operator, quote, wildcard or column filter gets
// through to the full-text expression or the LIKE pattern. A letter that joins with whatever
// follows it (U+0D4E, a prepended letter) carries a quote, a percent sign or an underscore into
// the same character; those must not survive into the word either.
TEST_P(NotesItemsTest, QueriesCannotEscapeTheirWords) {
  store.insert(item(1, "Neural networks learn"));
  store.insert(item(2, "\xe0\xb5\x8e" "abc neural"));
  store.insert(item(3, "\xe0\xb5\x8e" "xy"));
  const std::vector<std::string> all{"\xe0\xb5\x8e" "xy", "\xe0\xb5\x8e" "abc neural", "Neural networks learn"};
  struct Case {
    std::string query;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"\"", all},
      {"*", all},
      {"\"\"", all},
      {"\"neural", {"\xe0\xb5\x8e" "abc neural", "Neural networks learn"}},
      {"neural* -networks", {"Neural networks learn"}},
      {"NEAR(neural networks)", {}},
      {"quote:neural", {}},
      {"^neural NOT", {}},
      {"\xe0\xb5\x8e\"abc", {"\xe0\xb5\x8e" "abc neural"}},
      {"\xe0\xb5\x8e_y", {}},
      {"\xe0\xb5\x8e%y", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(quotes(store.search(c.query, std::nullopt, 10)), c.expected) << c.query;
}
