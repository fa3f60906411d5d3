#include <gtest/gtest.h>

#include <set>

#include "core/base/json.h"
#include "core/library/notes_store.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/temp_home.h"

using namespace orvak;

namespace {

using test::kDay;
constexpr double kNow = 1'800'000'000;

class HistoryTest : public ::testing::Test {
 protected:
  HistoryTest() : db(test::freshDir("history") / "notes.sqlite"), store(db, std::nullopt) {}
  void page(const std::string& key, double last) {
    store.savePageText(key, "Title " + key, "App", std::nullopt, "Text of " + key, Date{last});
  }
  std::vector<std::string> expiring(double now, std::int64_t keepDays = 30, std::int64_t warnDays = 7) {
    const auto e = store.expiringSoon(keepDays, warnDays, Date{now});
    return e ? e->keys : std::vector<std::string>{};
  }
  std::filesystem::path db;
  NotesStore store;
};

}  // namespace

// keepDays 30, warnDays 7 at a fixed "now": which pages are due for a warning, and when they go.
TEST_F(HistoryTest, ExpiryStatesAtFixedTimes) {
  page("fresh", kNow - 22 * kDay);
  page("due", kNow - 24 * kDay);
  page("old", kNow - 40 * kDay);
  page("kept", kNow - 40 * kDay);
  page("referenced", kNow - 40 * kDay);
  store.keepPages({"kept"});
  ResearchItem onPage = test::item(kNow - 50 * kDay, "saved here", std::nullopt);
  onPage.app = "App";
  onPage.windowTitle = "Title referenced";
  store.insert(onPage);
  // The item's page key has to be the page's key for the protection to hold.
  store.savePageText("App|Title referenced", "Title referenced", "App", std::nullopt, "Referenced text",
                     Date{kNow - 40 * kDay});

  const auto soon = store.expiringSoon(30, 7, Date{kNow});
  ASSERT_TRUE(soon);
  EXPECT_EQ(std::set<std::string>(soon->keys.begin(), soon->keys.end()),
            (std::set<std::string>{"due", "old", "referenced"}));
  EXPECT_EQ(soon->oldest, Date{kNow - 40 * kDay});
  EXPECT_EQ(soon->clearOn, Date{kNow + 7 * kDay});  // the later of now + 7 days and oldest + 30 days

  store.markWarned({"old"}, Date{kNow});
  EXPECT_EQ(store.clearExpired(30, 7, Date{kNow + 7 * kDay - 1}), 0);  // not before the warning period
  EXPECT_EQ(store.clearExpired(30, 7, Date{kNow + 7 * kDay}), 0);      // "warned < now - W" is strict
  EXPECT_EQ(store.clearExpired(30, 7, Date{kNow + 7 * kDay + 1}), 1);
  EXPECT_FALSE(store.hasPageText("old"));
  EXPECT_TRUE(store.hasPageText("kept"));
  EXPECT_TRUE(store.hasPageText("App|Title referenced"));

  // Protected pages are never cleared, however old and however late, even once warned; pages
  // never warned are not cleared either.
  store.markWarned({"kept", "App|Title referenced"}, Date{kNow});
  EXPECT_EQ(store.clearExpired(30, 7, Date{kNow + 100 * kDay}), 0);
  EXPECT_EQ(store.pageTextCount(), 5);
  const auto later = expiring(kNow + 100 * kDay);
  EXPECT_EQ(std::set<std::string>(later.begin(), later.end()), (std::set<std::string>{"fresh", "due", "referenced"}));
  EXPECT_EQ(store.pendingClear(30, 7), std::nullopt);
}

TEST_F(HistoryTest, ListenedAgainLosesItsWarningAndIsNotCleared) {
  page("p", kNow - 40 * kDay);
  store.markWarned({"p"}, Date{kNow - 10 * kDay});
  page("p", kNow - 1);  // heard again
  EXPECT_EQ(store.clearExpired(30, 7, Date{kNow}), 0);
  EXPECT_FALSE(store.pendingClear(30, 7));
}

TEST_F(HistoryTest, PendingClearUsesTheLatestWarningAndIgnoresAge) {
  page("a", kNow - 1 * kDay);
  page("b", kNow - 3 * kDay);
  store.markWarned({"a"}, Date{kNow - 5 * kDay});
  store.markWarned({"b"}, Date{kNow - 2 * kDay});
  const auto pending = store.pendingClear(30, 7);
  ASSERT_TRUE(pending);
  EXPECT_EQ(pending->keys.size(), 2u);
  EXPECT_EQ(pending->oldest, Date{kNow - 3 * kDay});
  // oldest + 30 days is later than the latest warning + 7 days.
  EXPECT_EQ(pending->clearOn, Date{kNow + 27 * kDay});
  // A tie gives the same date either way; a short keep makes the warning decide.
  EXPECT_EQ(store.pendingClear(10, 7)->clearOn, Date{kNow + 7 * kDay});
  EXPECT_EQ(store.pendingClear(1, 7)->clearOn, Date{kNow + 5 * kDay});
}

TEST_F(HistoryTest, KeepForeverTouchesNothing) {
  page("old", kNow - 400 * kDay);
  store.markWarned({"old"}, Date{kNow - 300 * kDay});
  EXPECT_FALSE(store.expiringSoon(0, 7, Date{kNow}));
  EXPECT_FALSE(store.pendingClear(0, 7));
  EXPECT_EQ(store.clearExpired(0, 7, Date{kNow}), 0);
  EXPECT_TRUE(store.hasPageText("old"));
  // keepDays shorter than the warning: every unwarned page is due at once.
  page("new", kNow);
  EXPECT_EQ(expiring(kNow, 3, 7), (std::vector<std::string>{"new"}));
}

TEST_F(HistoryTest, ListensMergeWithinHalfAnHour) {
  const std::optional<std::string> url = "https://example.org/a#one";
  store.recordListen("Firefox", "First", url, 2.9, 0.1, "nowhere", false, std::string("ignored"), Date{kNow});
  EXPECT_TRUE(store.listened(10).empty());
  EXPECT_EQ(store.pageTextCount(), 0);

  store.recordListen("Firefox", "First", url, 60, 1.0, "end", true, std::string("Page text"), Date{kNow});
  auto rows = store.listened(10);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].stoppedAt, "");
  EXPECT_TRUE(rows[0].finished);
  EXPECT_EQ(rows[0].docKey, "https://example.org/a");

  // 1,799 seconds later (another fragment of the same page): merged.
  store.recordListen("Safari", "Second", std::string("https://example.org/a#two"), 30, 0.4,
                     std::string(300, 's'), false, std::nullopt, Date{kNow + 1799});
  rows = store.listened(10);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].seconds, 90);
  EXPECT_EQ(rows[0].started, Date{kNow - 60});
  EXPECT_EQ(rows[0].last, Date{kNow + 1799});
  EXPECT_EQ(rows[0].title, "Second");
  EXPECT_EQ(rows[0].app, "Firefox");
  EXPECT_EQ(rows[0].url, "https://example.org/a#one");
  EXPECT_EQ(rows[0].progress, 0.4);
  EXPECT_FALSE(rows[0].finished);
  EXPECT_EQ(rows[0].stoppedAt, std::string(200, 's'));
  // A listen without text leaves the kept text as it was.
  EXPECT_EQ(store.pageText("https://example.org/a"), "Page text");

  // Exactly 1,800 seconds after the row's last: a new row.
  store.recordListen("Firefox", "Third", url, 10, 0.5, "x", false, std::string("   "), Date{kNow + 3599});
  rows = store.listened(10);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].title, "Third");
  EXPECT_EQ(store.pageText("https://example.org/a"), "Page text");
}

TEST_F(HistoryTest, PageKeysWithoutAddress) {
  store.recordListen("Notes", "Ideas", std::nullopt, 5, 0, "", false, std::string("Idea text"), Date{kNow});
  store.recordListen("Notes", "", std::nullopt, 5, 0, "", false, std::nullopt, Date{kNow + 10});
  store.recordListen("Notes", "Ideas", std::string(""), 5, 0, "", false, std::nullopt, Date{kNow + 20});
  const auto rows = store.listened(10);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].docKey, "Notes|Ideas");
  EXPECT_EQ(rows[0].seconds, 10);
  EXPECT_EQ(rows[1].docKey, "Notes|");
  EXPECT_TRUE(store.hasPageText("Notes|Ideas"));
}

TEST_F(HistoryTest, DeletingTheLastListenDeletesThePageText) {
  const std::string title = "Bob's \"page\"";  // a key with quotes must be counted correctly
  store.recordListen("App", title, std::nullopt, 10, 0, "", false, std::string("Quoted text"), Date{kNow});
  store.recordListen("App", title, std::nullopt, 10, 0, "", false, std::nullopt, Date{kNow + 4000});
  store.keepPages({"App|" + title});
  const auto rows = store.listened(10);
  ASSERT_EQ(rows.size(), 2u);

  store.deleteListened(rows[0].id);
  EXPECT_TRUE(store.hasPageText("App|" + title));
  store.deleteListened(rows[1].id);
  EXPECT_TRUE(store.listened(10).empty());
  EXPECT_FALSE(store.hasPageText("App|" + title));  // kept or not
  store.deleteListened(12345);                       // unknown: nothing happens

  store.recordListen("App", "A", std::nullopt, 10, 0, "", false, std::string("Text A"), Date{kNow});
  store.savePageText("other", "O", "App", std::nullopt, "Other", Date{kNow});
  store.keepPages({"other"});
  store.clearListened();
  EXPECT_TRUE(store.listened(10).empty());
  EXPECT_EQ(store.pageTextCount(), 0);
}

TEST_F(HistoryTest, WrittenDocumentsRoundTripAndSurviveDamage) {
  const std::vector<WrittenDoc::Para> paras{{"First paragraph.", {1, 2}}, {"Second.", {}}};
  const std::vector<WrittenDoc::Source> sources{
      {1, std::nullopt, "the page", std::nullopt, "Page title", std::nullopt},
      {2, 7, "tea is good", std::string("my note"), "Notes", std::string("x")}};
  const auto first = store.saveDoc("Doc one", "why?", paras, sources, Date{kNow});
  const auto second = store.saveDoc("Doc two", "", {}, {}, Date{kNow + 10});
  ASSERT_TRUE(first && second);

  auto docs = store.writtenDocs();
  ASSERT_EQ(docs.size(), 2u);
  EXPECT_EQ(docs[0].title, "Doc two");
  const WrittenDoc expected{*first, Date{kNow}, "Doc one", "why?", paras, sources};
  EXPECT_EQ(docs[1], expected);
  // Absent members are left out, not written as null.
  EXPECT_EQ(test::column(db, "SELECT sources FROM written_docs WHERE id = " + std::to_string(*first)).find("null"),
            std::string::npos);

  test::RawDb(db).exec("UPDATE written_docs SET sources = '[{\"n\": oops', paragraphs = '{}' WHERE id = " +
                       std::to_string(*first));
  docs = store.writtenDocs();
  ASSERT_EQ(docs.size(), 2u);
  EXPECT_TRUE(docs[1].sources.empty());
  EXPECT_TRUE(docs[1].paragraphs.empty());
  EXPECT_EQ(docs[1].title, "Doc one");

  store.deleteDoc(*second);
  store.deleteDoc(999);
  EXPECT_EQ(store.writtenDocs().size(), 1u);
}

TEST(WrittenDocTest, PlainText) {
  WrittenDoc d;
  d.paragraphs = {{"A", {}}, {"B", {1}}};
  EXPECT_EQ(d.plain(), "A\n\nB");
  d.sources = {{2, std::nullopt, "tea is good", std::nullopt, "Notes", std::string("x")},
               {3, 4, "q", std::string("n"), "T", std::nullopt}};
  EXPECT_EQ(d.plain(), "A\n\nB\n\nSources:\n[2] \u201ctea is good\u201d \u2014 Notes, x\n[3] \u201cq\u201d \u2014 T");
  d.paragraphs.clear();
  d.sources.resize(1);
  EXPECT_EQ(d.plain(), "\n\nSources:\n[2] \u201ctea is good\u201d \u2014 Notes, x");
  EXPECT_EQ(json::decode<WrittenDoc::Source>(json::encode(d.sources[0])), d.sources[0]);
  EXPECT_THROW(json::decode<WrittenDoc::Source>(R"({"n":1,"quote":"q"})"), json::DecodeError);
}
