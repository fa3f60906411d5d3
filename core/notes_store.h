// The local library: one SQLite database ("notes.sqlite" in the support folder) with FTS5 search
// over saved highlights and notes, and later the kept page texts, the listened history and the
// written documents.
//
// Every operation is synchronous and holds the store's own lock for its statements, so any
// thread may call. Reads never throw (a statement that cannot be prepared is logged and reads as
// empty); changes throw NotesStoreError with SQLite's message and change nothing then.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"
#include "core/research_item.h"
#include "core/sql_value.h"

namespace orvak {

// The database's one error: `message` is SQLite's (or "?" when it gave none); what() reads
// "notes database: " + message.
struct NotesStoreError : std::runtime_error {
  explicit NotesStoreError(std::string message);
  std::string message;
};

// A research item as the database keeps it.
struct StoredItem {
  std::int64_t id = 0;
  ResearchItem item;
  std::string docKey;  // the page key grouping the item into a document
  std::optional<Date> editedAt;
  bool operator==(const StoredItem&) const = default;
};

// One page of the library: its items' counts and the newest item's title, app and address.
struct DocumentSummary {
  std::string key;
  std::string title;
  std::string app;
  std::optional<std::string> url;
  std::int64_t count = 0;
  std::int64_t highlights = 0;
  std::int64_t notes = 0;
  Date lastSaved;
  bool operator==(const DocumentSummary&) const = default;
};

class NotesStore final : public ResearchStore {
 public:
  struct Options {
    // Test seam: makes the full-text batch fail as it does on a SQLite built without FTS5, so the
    // LIKE fallback can be exercised.
    bool simulateMissingFullTextSearch = false;
  };

  // Opens or creates the database at `url` (creating its folder), creates the schema and, when
  // `importJSONL` is given, imports that research file once. Throws std::filesystem's error when
  // the folder cannot be made, NotesStoreError for everything else.
  NotesStore(std::filesystem::path url, std::optional<std::filesystem::path> importJSONL);
  NotesStore(std::filesystem::path url, std::optional<std::filesystem::path> importJSONL, Options options);
  ~NotesStore() override;
  NotesStore(const NotesStore&) = delete;
  NotesStore& operator=(const NotesStore&) = delete;

  // The support folder's "notes.sqlite".
  static std::filesystem::path defaultURL();

  const std::filesystem::path& url() const { return url_; }
  // Decided once at opening: true when the FTS5 indexes exist; searches use LIKE otherwise.
  bool hasFullTextSearch() const { return hasFullTextSearch_; }

  // ---- Saved highlights and notes ----

  // ResearchStore: insert with the id dropped; the newest items.
  void save(const ResearchItem& item) override;
  std::vector<ResearchItem> recent(std::size_t limit) override;

  // Stores a new item under its page key; returns the new row id.
  std::int64_t insert(const ResearchItem& item);
  // Newest first (by save time, then row id).
  std::vector<StoredItem> recentItems(std::size_t limit);
  std::int64_t count();
  // One per page key, most recently saved first.
  std::vector<DocumentSummary> documents();
  // A page's items in reading order: by sentence number, then those without one by save time.
  std::vector<StoredItem> items(std::string_view docKey);
  // Items whose texts hold every word of the query (the last one as a prefix with FTS5), newest
  // first; a query without words lists the newest items (of the kind, when one is given).
  std::vector<StoredItem> search(std::string_view query, std::optional<ResearchItem::Kind> kind, std::size_t limit);
  std::optional<StoredItem> item(std::int64_t id);
  // Trims the note; a non-empty note makes the item a note. Stamps the edit time.
  void updateNote(std::int64_t id, std::optional<std::string> note);
  // Deleting an id that does not exist succeeds.
  void deleteItem(std::int64_t id);
  // Puts a deleted item back with its own id, page key and edit time (undo of deleteItem).
  void restore(const StoredItem& stored);
  // The given page (or every page) as Markdown: title, address or app, quotes, notes, dates.
  std::string markdown(std::optional<std::string_view> docKey);

  // ---- Statement layer ----

  // Runs statement text (several statements allowed, no rows) under the lock.
  void exec(std::string_view sql);
  // Runs one statement once under the lock; returns the last inserted row id.
  std::int64_t write(std::string_view sql, std::initializer_list<SqlValue> values = {});
  std::int64_t write(std::string_view sql, std::span<const SqlValue> values);

 private:
  using Body = std::function<void(SqlStatement&)>;

  // Callers hold the lock. Prepares, binds and runs the body, then finalizes. A statement that
  // cannot be prepared or bound is logged and the body does not run: the result is then the
  // reason, and nothing when the body ran.
  std::optional<std::string> withStatement(std::string_view sql, std::span<const SqlValue> values, const Body& body);
  // Callers hold the lock. The first row's column 0, or nothing.
  std::optional<std::int64_t> scalar(std::string_view sql);
  // Callers hold the lock. Every row read as an item.
  std::vector<StoredItem> query(std::string_view sql, std::span<const SqlValue> values);
  // Callers hold the lock. One step of one statement; throws NotesStoreError unless it is done.
  std::int64_t writeLocked(std::string_view sql, std::span<const SqlValue> values);
  // Callers hold the lock.
  std::int64_t insertLocked(const ResearchItem& item);
  // Callers hold the lock.
  void execLocked(std::string_view sql);
  void setMeta(std::string_view key, std::string_view value);

  // Callers hold the lock. The newest items among the full-text matches of `match`.
  std::vector<StoredItem> searchFullText(const std::string& match, std::optional<ResearchItem::Kind> kind,
                                         std::int64_t limit);
  // Callers hold the lock. The items with these ids, in this order.
  std::vector<StoredItem> rowsInOrder(const std::vector<std::int64_t>& ids);

  void open(const Options& options);
  void migrate(const Options& options);
  void importOnce(const std::filesystem::path& file);

  std::filesystem::path url_;
  sqlite3* db_ = nullptr;
  std::mutex lock_;
  bool hasFullTextSearch_ = false;
};

// The page key of a new item: its address before any "#", else app + "|" + window title, else
// app + "|".
std::string docKeyFor(const ResearchItem& item);

}  // namespace orvak
