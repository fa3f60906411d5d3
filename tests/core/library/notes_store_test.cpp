#include "core/base/json.h"
#include "core/library/notes_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <set>

#include "core/library/jsonl_research_store.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/temp_home.h"

namespace fs = std::filesystem;
using namespace orvak;
using test::item;

namespace {

// Bind values are a closed set: anything else must not compile (rather than bind NULL).
static_assert(std::is_constructible_v<SqlValue, std::int64_t>);
static_assert(std::is_constructible_v<SqlValue, std::optional<std::string>>);
static_assert(!std::is_constructible_v<SqlValue, bool>);
static_assert(!std::is_constructible_v<SqlValue, std::size_t>);
static_assert(!std::is_constructible_v<SqlValue, Date>);
static_assert(!std::is_constructible_v<SqlValue, std::optional<bool>>);

std::set<std::string> schemaNames(const fs::path& db) {
  test::RawDb raw(db);
  std::set<std::string> names;
  const auto all = raw.text("SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master ORDER BY name)");
  std::string_view rest = all;
  while (!rest.empty()) {
    const auto comma = rest.find(',');
    names.emplace(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return names;
}

std::string marker(const fs::path& db) {
  test::RawDb raw(db);
  return raw.text("SELECT value FROM meta WHERE key = 'imported_jsonl'");
}

std::string lines(std::initializer_list<std::string> ls) {
  std::string out;
  for (const auto& l : ls) out += l + "\n";
  return out;
}

}  // namespace

TEST(NotesStoreTest, CreatesTheWholeSchemaAndReopensWithoutChange) {
  const auto db = test::freshDir("notes") / "sub" / "notes.sqlite";
  {
    NotesStore store(db, std::nullopt);
    EXPECT_TRUE(store.hasFullTextSearch());
    store.insert(item(10, "alpha"));
    store.insert(item(20, "beta"));
  }
  const auto names = schemaNames(db);
  for (const char* n : {"meta", "items", "items_doc", "items_ts", "items_fts", "items_ai", "items_ad", "items_au",
                        "listened", "listened_last", "listened_doc", "written_docs", "page_text", "page_text_last",
                        "page_fts", "page_ai", "page_ad", "page_au"}) {
    EXPECT_TRUE(names.count(n)) << n;
  }
  EXPECT_EQ(test::RawDb(db).text("PRAGMA journal_mode"), "wal");

  NotesStore again(db, std::nullopt);
  EXPECT_TRUE(again.hasFullTextSearch());
  EXPECT_EQ(schemaNames(db), names);
  ASSERT_EQ(again.count(), 2);
  EXPECT_EQ(again.recentItems(1).at(0).item.quote, "beta");
  EXPECT_EQ(again.search("alpha", std::nullopt, 10).size(), 1u);
}

TEST(NotesStoreTest, WithoutFts5TheStoreOpensAndSearchesWithLike) {
  const auto db = test::freshDir("notes") / "notes.sqlite";
  test::LogTail log;
  NotesStore store(db, std::nullopt, NotesStore::Options{.simulateMissingFullTextSearch = true});
  EXPECT_FALSE(store.hasFullTextSearch());
  const auto names = schemaNames(db);
  EXPECT_FALSE(names.count("items_fts"));
  EXPECT_FALSE(names.count("page_fts"));
  EXPECT_FALSE(names.count("items_ai"));
  EXPECT_TRUE(names.count("page_text"));
  EXPECT_EQ(log.count("notes: FTS5 unavailable, search uses LIKE (notes database: no such module: fts5_unavailable)"),
            1);
  store.insert(item(1, "a plain quote"));
  EXPECT_EQ(store.search("plain", std::nullopt, 5).size(), 1u);
}

TEST(NotesStoreTest, ImportsResearchFileSkippingBadAndBlankLines) {
  const auto dir = test::freshDir("notes");
  const auto db = dir / "notes.sqlite";
  const auto jsonl = dir / "research.jsonl";
  ResearchItem noted = item(300, "third");
  noted.kind = ResearchItem::Kind::note;
  noted.note = "my note";
  noted.url = "https://example.org/doc#part";
  test::writeFile(jsonl, lines({json::encode(item(100, "first")), "", "{\"kind\":\"highlight\",\"quote\":", "  ",
                                json::encode(item(200, "second")), json::encode(noted)}));
  {
    test::LogTail log;
    NotesStore store(db, jsonl);
    EXPECT_EQ(store.count(), 3);
    EXPECT_EQ(log.count("notes: imported 3 items from research.jsonl"), 1);
    const auto newest = store.recentItems(1).at(0);
    EXPECT_EQ(newest.item, noted);
    EXPECT_EQ(newest.docKey, "https://example.org/doc");
  }
  const std::string firstMarker = marker(db);
  EXPECT_EQ(firstMarker.rfind("3 items ", 0), 0u) << firstMarker;
  EXPECT_EQ(test::readFile(jsonl).empty(), false);  // the file is only read

  // Lines added later come in at the next opening, each once; the first import's summary stays.
  test::writeFile(jsonl, test::readFile(jsonl) + json::encode(item(400, "fourth")) + "\n");
  for (const int expected : {1, 0}) {
    test::LogTail log;
    NotesStore again(db, jsonl);
    EXPECT_EQ(again.count(), 4);
    EXPECT_EQ(log.count("notes: imported 1 items from research.jsonl"), expected);
  }
  EXPECT_EQ(marker(db), firstMarker);
}

// A note saved while the database could not be opened goes to the line file; it reaches the
// library when the database opens again, and an item the user then deletes or edits stays so.
TEST(NotesStoreTest, NoteSavedWhileTheDatabaseWasUnavailableReachesTheLibraryOnce) {
  const auto dir = test::freshDir("notes");
  const auto db = dir / "notes.sqlite";
  const auto jsonl = dir / "research.jsonl";
  { NotesStore(db, jsonl).insert(item(50, "saved in the library")); }
  {
    // The database cannot be opened (something else in its place for a while).
    fs::rename(db, dir / "away.sqlite");
    test::writeFile(db, "not a database for now");
    EXPECT_THROW(NotesStore(db, jsonl), NotesStoreError);
    JSONLResearchStore fallback(jsonl);
    fallback.save(item(100, "saved meanwhile"));
    fallback.save(item(100, "saved meanwhile"));  // the same quote twice in one second: two items
    fallback.save(item(200, "edited later"));
    fs::rename(dir / "away.sqlite", db);
  }
  {
    NotesStore store(db, jsonl);
    ASSERT_EQ(store.count(), 4);
    const auto items = store.recentItems(4);
    EXPECT_EQ(items.at(0).item.quote, "edited later");
    EXPECT_EQ(items.at(1).item.quote, "saved meanwhile");
    EXPECT_EQ(items.at(2).item.quote, "saved meanwhile");
    store.updateNote(items.at(0).id, "my thought");
    store.deleteItem(items.at(1).id);
  }
  NotesStore store(db, jsonl);
  const auto items = store.recentItems(10);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items.at(0).item.note, "my thought");
  EXPECT_EQ(items.at(1).item.quote, "saved meanwhile");
}

// A research file that could not be read at the first opening is taken in once it can be.
TEST(NotesStoreTest, ResearchFileUnreadableAtFirstIsImportedLater) {
  for (const bool asFolder : {false, true}) {
    const auto dir = test::freshDir("notes");
    const auto db = dir / "notes.sqlite";
    const auto jsonl = dir / "research.jsonl";
    if (asFolder) fs::create_directory(jsonl);
    {
      test::LogTail log;
      NotesStore store(db, jsonl);
      EXPECT_EQ(store.count(), 0);
      EXPECT_EQ(marker(db).rfind("0 items ", 0), 0u);
      EXPECT_EQ(log.count("notes: imported"), 0);
    }
    fs::remove_all(jsonl);
    test::writeFile(jsonl, lines({json::encode(item(100, "first")), json::encode(item(200, "second"))}));
    NotesStore store(db, jsonl);
    EXPECT_EQ(store.count(), 2) << asFolder;
  }
}

// A database whose one-time import predates the marks per record: what that import covered (by
// the time of its summary) is not taken again, even when the user deleted it since; what the
// file gained after it is.
TEST(NotesStoreTest, DatabaseImportedBeforeRecordMarksTakesOnlyLaterLines) {
  const auto dir = test::freshDir("notes");
  const auto db = dir / "notes.sqlite";
  const auto jsonl = dir / "research.jsonl";
  const double now = Date::now().sinceEpoch;
  test::writeFile(jsonl, lines({json::encode(item(now - 3000, "kept")), json::encode(item(now - 2000, "deleted"))}));
  { NotesStore(db, jsonl); }
  {
    test::RawDb raw(db);
    raw.exec("DELETE FROM meta WHERE key != 'imported_jsonl'; DELETE FROM items WHERE quote = 'deleted';");
  }
  test::writeFile(jsonl, test::readFile(jsonl) + json::encode(item(now + 1000, "saved later")) + "\n");
  for (int opening = 0; opening < 2; ++opening) {
    NotesStore store(db, jsonl);
    const auto items = store.recentItems(10);
    ASSERT_EQ(items.size(), 2u) << opening;
    EXPECT_EQ(items.at(0).item.quote, "saved later");
    EXPECT_EQ(items.at(1).item.quote, "kept");
  }
}

TEST(NotesStoreTest, ImportIsAllOrNothingWithItsMarker) {
  const auto dir = test::freshDir("notes");
  const auto db = dir / "notes.sqlite";
  const auto jsonl = dir / "research.jsonl";
  { NotesStore create(db, std::nullopt); }
  {
    // A record the database refuses on its own account is skipped; any other failure while
    // inserting (here a trigger whose statement fails as it runs) undoes the whole import.
    test::RawDb raw(db);
    raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON items WHEN new.quote = 'refused' BEGIN SELECT RAISE(ABORT, 'no'); END;"
             "CREATE TRIGGER fatal AFTER INSERT ON items WHEN new.quote = 'fatal' BEGIN SELECT json('{'); END;");
  }
  test::writeFile(jsonl, lines({json::encode(item(1, "one")), json::encode(item(2, "refused")),
                                json::encode(item(3, "fatal")), json::encode(item(4, "four"))}));
  EXPECT_THROW(NotesStore(db, jsonl), NotesStoreError);
  {
    NotesStore plain(db, std::nullopt);
    EXPECT_EQ(plain.count(), 0);  // "one" went back out with the rest
  }
  EXPECT_EQ(marker(db), "<none>");

  test::RawDb(db).exec("DROP TRIGGER fatal");
  NotesStore store(db, jsonl);
  EXPECT_EQ(store.count(), 3);
  EXPECT_EQ(marker(db).rfind("3 items ", 0), 0u);
}

TEST(NotesStoreTest, StatementLayerReportsSqliteMessages) {
  const auto db = test::freshDir("notes") / "notes.sqlite";
  NotesStore store(db, std::nullopt);
  test::LogTail log;
  const std::string bad = "INSERT INTO items (ts, kind) VALUES (?, ?) -- a statement that is well over eighty characters long SELEC";
  try {
    store.write("INSERTT " + bad, {1.0, "highlight"});
    FAIL() << "no error";
  } catch (const NotesStoreError& e) {
    EXPECT_NE(e.message.find("syntax error"), std::string::npos) << e.message;
    EXPECT_EQ(std::string(e.what()), "notes database: " + e.message);
  }
  const std::string expected = "notes: prepare failed: near \"INSERTT\": syntax error \xc2\xb7 " +
                               ("INSERTT " + bad).substr(0, 80) + "\n";
  EXPECT_EQ(log.count(expected), 1) << log.text();

  // A constraint failure carries SQLite's message; exec reports its errors too.
  EXPECT_THROW(store.write("INSERT INTO items (ts, kind, quote) VALUES (?, ?, ?)", {1.0, "highlight", nullptr}),
               NotesStoreError);
  EXPECT_THROW(store.exec("CREATE TABLE items (x)"), NotesStoreError);

  // A non-finite number would silently become NULL in SQLite: refused instead.
  EXPECT_THROW(store.write("INSERT INTO meta (key, value) VALUES (?, ?)",
                           {"k", std::numeric_limits<double>::quiet_NaN()}),
               NotesStoreError);
  store.write("INSERT INTO meta (key, value) VALUES (?, ?)", {"k", 2.5});
  EXPECT_EQ(test::RawDb(db).text("SELECT value FROM meta WHERE key = 'k'"), "2.5");
}

TEST(NotesStoreTest, FileThatIsNotADatabaseIsReportedAndLeftAlone) {
  const auto db = test::freshDir("notes") / "notes.sqlite";
  const std::string junk(5000, 'x');
  test::writeFile(db, junk);
  try {
    NotesStore store(db, std::nullopt);
    FAIL() << "opened";
  } catch (const NotesStoreError& e) {
    EXPECT_NE(e.message.find("not a database"), std::string::npos) << e.message;
  }
  EXPECT_EQ(test::readFile(db), junk);

  const auto dir = test::freshDir("notes");
  test::writeFile(dir / "file", "x");
  EXPECT_THROW(NotesStore(dir / "file" / "notes.sqlite", std::nullopt), fs::filesystem_error);
}

TEST(NotesStoreTest, AnotherProgramsDatabaseIsRefusedAndLeftByteForByte) {
  struct Case {
    const char* what;
    const char* sql;
  };
  const Case cases[] = {
      {"tables of its own", "CREATE TABLE contacts (name TEXT); INSERT INTO contacts VALUES ('Ann');"},
      {"its own application id", "PRAGMA application_id = 1234; CREATE TABLE items (x);"},
      {"only a table named like one of ours", "CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT);"},
      {"ours plus one of its own", "CREATE TABLE items (id INTEGER); CREATE TABLE other (x);"},
      {"only a table named items, of its own making",
       "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT); INSERT INTO items VALUES (1, 'Ann');"},
      {"our tables with a column changed",
       "CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT); CREATE TABLE items (id INTEGER PRIMARY KEY, ts REAL);"},
  };
  for (const auto& c : cases) {
    const auto db = test::freshDir("notes") / "notes.sqlite";
    test::writeFile(db, "");
    { test::RawDb(db).exec(c.sql); }
    const std::string before = test::readFile(db);
    try {
      NotesStore store(db, std::nullopt);
      ADD_FAILURE() << "opened: " << c.what;
    } catch (const NotesStoreError& e) {
      EXPECT_NE(e.message.find("not our notes database"), std::string::npos) << e.message;
    }
    EXPECT_EQ(test::readFile(db), before) << c.what;
  }

  // An empty file, and a database of ours from before the id, are ours: opened and claimed.
  for (bool old : {false, true}) {
    const auto db = test::freshDir("notes") / "notes.sqlite";
    {
      NotesStore store(db, std::nullopt);
      store.insert(item(5, "kept"));
    }
    if (old) test::RawDb(db).exec("PRAGMA application_id = 0");
    if (!old) test::writeFile(db, "");
    NotesStore store(db, std::nullopt);
    EXPECT_EQ(store.count(), old ? 1 : 0);
    EXPECT_EQ(test::RawDb(db).text("PRAGMA application_id"), std::to_string(0x4F52564B));
  }
}

TEST(NotesStoreTest, FullDiskFailsTheSaveAndKeepsEverythingStored) {
  const auto db = test::freshDir("notes") / "notes.sqlite";
  std::int64_t saved = 0;
  {
    NotesStore store(db, std::nullopt);
    store.exec("PRAGMA max_page_count = 40");
    const std::string big(2000, 'q');
    bool full = false;
    for (int i = 0; i < 200 && !full; ++i) {
      try {
        store.insert(item(i, big + std::to_string(i)));
        ++saved;
      } catch (const NotesStoreError& e) {
        EXPECT_NE(e.message.find("full"), std::string::npos) << e.message;
        full = true;
      }
    }
    ASSERT_TRUE(full);
    EXPECT_EQ(store.count(), saved);
  }
  NotesStore reopened(db, std::nullopt);
  EXPECT_EQ(reopened.count(), saved);
  EXPECT_EQ(reopened.recentItems(1000).size(), static_cast<std::size_t>(saved));
}

// A process killed while saving loses at most the save in flight: every save that returned is
// in the database, which opens cleanly.
TEST(NotesStoreTest, KilledWhileSavingKeepsEverySaveThatReturned) {
  const auto db = test::freshDir("notes") / "notes.sqlite";
  { NotesStore create(db, std::nullopt); }
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fds[0]);
    try {
      NotesStore store(db, std::nullopt);
      for (int i = 0;; ++i) {
        const std::int64_t id = store.insert(item(i, "saved " + std::to_string(i)));
        if (write(fds[1], &id, sizeof id) != sizeof id) _exit(3);
      }
    } catch (...) {
      _exit(2);
    }
  }
  close(fds[1]);
  std::vector<std::int64_t> returned;
  std::int64_t id;
  while (returned.size() < 300 && read(fds[0], &id, sizeof id) == sizeof id) returned.push_back(id);
  kill(child, SIGKILL);
  // Saves that returned before the kill but whose ids are still in the pipe count too.
  while (read(fds[0], &id, sizeof id) == sizeof id) returned.push_back(id);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "child ended on its own: " << status;
  ASSERT_GE(returned.size(), 300u);

  NotesStore store(db, std::nullopt);
  for (const auto saved : returned) {
    const auto found = store.item(saved);
    ASSERT_TRUE(found) << saved;
    EXPECT_EQ(found->item.quote, "saved " + std::to_string(saved - 1));
  }
  EXPECT_GE(store.count(), static_cast<std::int64_t>(returned.size()));
  EXPECT_EQ(test::RawDb(db).text("PRAGMA integrity_check"), "ok");
}
