// What reading leaves in the library: a document written from the page being read (a scripted
// service, a temporary database), and the clearing of kept page texts with its warning.
#include <gtest/gtest.h>

#include <string>

#include "app/controller/housekeeping.h"
#include "core/base/read_file.h"
#include "tests/app/controller/app_fixture.h"
#include "tests/core/library/library_fixtures.h"

using namespace orvak;
using namespace orvak::test;

namespace {

const Date kJan1{1'924'992'000};  // 2031-01-01T00:00:00Z

struct LibraryReading {
  App a{readWholeFile("tests/fixtures/scenes/article.scene.json")->c_str(), true, Mic::granted};
  int changes = 0;
  platform::NotificationCenter::Observation watch =
      a.notifications->observe("orvak.notesChanged", [this](const platform::Notification&) { ++changes; });

  // Reads the page, with `saved` highlights kept from it beforehand.
  explicit LibraryReading(int saved = 0, bool read = true) {
    a.app->launch();
    if (!read) return;
    a.doubleTap();
    a.vt.advance(1);
    const Capture& cap = *a.app->read().lastCapture();
    for (int i = 1; i <= saved; ++i) {
      ResearchItem item = test::item(kJan1.sinceEpoch + i, "Quote " + std::to_string(i), cap.url);
      item.windowTitle = cap.windowTitle.value_or("");
      a.app->store().save(item);
    }
  }
  std::string pill() { return a.app->pill().model().state().state; }
};

account::LibraryDoc reply(std::vector<std::vector<std::int64_t>> cites) {
  account::LibraryDoc doc{"How bends grow", {}};
  for (auto& c : cites) doc.paragraphs.push_back({"A paragraph.", std::move(c)});
  return doc;
}

}  // namespace

TEST(AppLibraryTest, ADocumentAboutThePageIsWrittenStoredAndAnnounced) {
  LibraryReading r(2);
  r.a.library->document = reply({{2, 1}, {3}});
  r.a.app->writeDoc("meanders", std::nullopt);
  r.a.vt.advance(1);
  ASSERT_EQ(r.a.library->asked.size(), 1u);
  const auto& body = r.a.library->asked[0];
  const std::string title = body.items[0].title;
  EXPECT_EQ(body.question, "meanders (from " + title + ")");
  EXPECT_EQ(body.items.size(), 3u) << "the page and the two items saved from it";
  EXPECT_EQ(body.items[0].source, "fieldnotes.example.org");
  EXPECT_EQ(body.today, iso8601(Date::now()).substr(0, 10));

  const auto docs = r.a.app->notes()->writtenDocs();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(docs[0].question, "meanders");
  ASSERT_EQ(docs[0].sources.size(), 3u);
  EXPECT_EQ(docs[0].sources[0].quote, "Quote 1");
  EXPECT_FALSE(docs[0].sources[1].itemId) << "the page itself";
  EXPECT_EQ(docs[0].sources[1].url, r.a.app->read().lastCapture()->url);
  EXPECT_EQ(r.changes, 1);
  EXPECT_EQ(r.pill(), "Document written: How bends grow");
  EXPECT_EQ(r.a.app->pill().model().state().sub, "In Library → Documents");
  ASSERT_TRUE(r.a.app->pill().model().notice());
  r.a.app->pill().model().notice()->run();
  EXPECT_EQ(r.a.trace->back(), "windows: main documents");
}

TEST(AppLibraryTest, ADocumentThatCannotBeWrittenOrKeptSaysSo) {
  struct Case {
    const char* name;
    bool read;
    std::optional<account::Result<account::LibraryDoc>> answer;
    bool breakDatabase;
    std::string pill;
  };
  const account::Result<account::LibraryDoc> signedOut = account::Fail{};
  const Case cases[] = {
      {"nothing read", false, reply({{1}}), false, "Double-tap to start reading, then ask for a document"},
      {"service failure", true, signedOut, false, account::explain(signedOut.failure())},
      {"a save that fails", true, reply({{1}}), true, "Couldn't save — see log"},
  };
  for (const Case& c : cases) {
    LibraryReading r(0, c.read);
    r.a.library->document = c.answer;
    if (c.breakDatabase) r.a.app->notes()->exec("DROP TABLE written_docs");
    r.a.app->writeDoc("", std::nullopt);
    r.a.vt.advance(1);
    EXPECT_EQ(r.pill(), c.pill) << c.name;
    EXPECT_FALSE(r.a.app->pill().model().notice()) << c.name;
    EXPECT_EQ(r.changes, 0) << c.name;
    EXPECT_EQ(r.a.library->asked.size(), c.read ? 1u : 0u) << c.name;
  }
}

TEST(AppLibraryTest, AnEmptyTopicAsksAboutThisPartAndIsStoredAsWrittenWhileReading) {
  LibraryReading r;
  r.a.library->document = reply({{1}});
  r.a.app->writeDoc("", std::nullopt);
  r.a.vt.advance(1);
  ASSERT_EQ(r.a.library->asked.size(), 1u);
  const std::string title = r.a.library->asked[0].items[0].title;
  EXPECT_EQ(r.a.library->asked[0].question, "this part of " + title);
  const auto docs = r.a.app->notes()->writtenDocs();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(docs[0].question, "Written while reading " + title);
}

TEST(HistoryHousekeepingTest, PagesAreWarnedOnceThenClearedWhenBothPeriodsHavePassed) {
  const dates::Zone zone{"en_US", "UTC"};
  struct Case {
    int pages;
    const char* notice;
  };
  for (const Case& c : {Case{1, "1 listened page clear on Feb 1"}, Case{3, "3 listened pages clear on Feb 1"}}) {
    NotesStore store(freshDir("hk") / "notes.sqlite", std::nullopt);
    for (int i = 0; i < c.pages; ++i) {
      store.recordListen("Firefox", "Page", "https://example.org/" + std::to_string(i), 60, 0.5, "here", false,
                         std::string("Kept text"), kJan1);
    }
    EXPECT_FALSE(HistoryHousekeeping::run(store, 30, Date{kJan1.sinceEpoch + 22 * kDay}, zone).warned) << "too early";
    const auto warned = HistoryHousekeeping::run(store, 30, Date{kJan1.sinceEpoch + 24 * kDay}, zone);
    ASSERT_TRUE(warned.warned);
    EXPECT_EQ(warned.notice, c.notice);
    EXPECT_EQ(warned.cleared, 0);
    const auto ignored = HistoryHousekeeping::run(store, 30, Date{kJan1.sinceEpoch + 30.5 * kDay}, zone);
    EXPECT_FALSE(ignored.warned) << "a notice is shown once";
    EXPECT_EQ(ignored.cleared, 0) << "old enough, but warned less than a week ago";
    EXPECT_EQ(HistoryHousekeeping::run(store, 30, Date{kJan1.sinceEpoch + 31.5 * kDay}, zone).cleared, c.pages);
  }
  // A keep period of 0 keeps for ever; a period changed later counts from the next pass.
  NotesStore store(freshDir("hk") / "notes.sqlite", std::nullopt);
  store.recordListen("Firefox", "Page", std::string("https://example.org/x"), 60, 0.5, "here", false,
                     std::string("Kept text"), kJan1);
  const Date late{kJan1.sinceEpoch + 400 * kDay};
  const auto never = HistoryHousekeeping::run(store, 0, late, zone);
  EXPECT_FALSE(never.warned);
  EXPECT_EQ(never.cleared, 0);
  EXPECT_TRUE(HistoryHousekeeping::run(store, 90, late, zone).warned);
}

TEST(AppLibraryTest, HousekeepingWarnsOnThePillAndKeepsPagesOnRequest) {
  for (const bool controllerGone : {false, true}) {
    LibraryReading r(0, false);
    const Date now = Date::now();
    r.a.app->notes()->recordListen("Firefox", "Page", std::string("https://example.org/old"), 60, 0.5, "here", false,
                                   std::string("Kept text"), Date{now.sinceEpoch - 85 * kDay});
    r.a.app->historyHousekeeping();
    r.a.vt.drain();
    EXPECT_EQ(r.pill().rfind("1 listened page clear on ", 0), 0u) << r.pill();
    EXPECT_EQ(r.a.app->pill().model().state().sub, "Nothing was saved from them. Keep them?");
    ASSERT_TRUE(r.a.app->pill().model().notice());
    EXPECT_EQ(r.a.app->pill().model().notice()->title, "Keep them");
    EXPECT_EQ(r.changes, 1);
    const auto keep = r.a.app->pill().model().notice()->run;
    if (controllerGone) {
      r.a.app.reset();  // nothing left to keep the pages in, yet the library is told all the same
      keep();
      r.a.vt.drain();
      EXPECT_EQ(r.changes, 2);
      continue;
    }
    keep();
    r.a.vt.drain();
    EXPECT_EQ(r.changes, 2);
    r.a.vt.advance(30 * kDay);  // the six-hourly passes
    EXPECT_EQ(r.changes, 2) << "kept pages are neither warned of again nor cleared";
  }
}

TEST(AppLibraryTest, LaunchRunsHousekeepingAfterTwentySecondsThenEverySixHours) {
  LibraryReading r(0, false);
  r.a.app->notes()->recordListen("Firefox", "Page", std::string("https://example.org/old"), 60, 0.5, "here", false,
                                 std::string("Kept text"), Date{Date::now().sinceEpoch - 85 * kDay});
  r.a.vt.advance(19);
  EXPECT_EQ(r.changes, 0);
  r.a.vt.advance(2);
  EXPECT_EQ(r.changes, 1) << "the first pass warns";
  // Six hours on, the next pass finds the page again only if the keep period now says so.
  r.a.app->prefs().setHistoryKeepDays(30);
  r.a.vt.advance(AppController::kSixHours);
  EXPECT_EQ(r.changes, 1) << "warned pages are not warned again, nor cleared within the week";
}
