// The local library: one SQLite database ("notes.sqlite" in the support folder) with FTS5 search
// over saved highlights and notes and over the kept page texts, with the listened history and the
// written documents beside them.
//
// Every operation is synchronous and holds the store's own lock for its statements, so any
// thread may call. Reads never throw (a statement that cannot be prepared is logged and reads as
// empty); changes of saved items throw NotesStoreError with SQLite's message and change nothing
// then; the other changes report no failure.
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

#include "core/base/date.h"
#include "core/library/research_item.h"
#include "core/library/sql_value.h"
#include "core/library/written_doc.h"

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

// A kept page text found by search or listed as recent, with an excerpt of its text.
struct PageHit {
  std::string docKey;
  std::string title;
  std::string app;
  std::optional<std::string> url;
  Date last;
  std::string excerpt;
  bool operator==(const PageHit&) const = default;
};

// Kept page texts due for clearing: their keys, the oldest last-stored time and the clearing date.
struct ExpiringPages {
  std::vector<std::string> keys;
  Date oldest;
  Date clearOn;
  bool operator==(const ExpiringPages&) const = default;
};

// One row of the listened history: one page and one stretch of listening.
struct ListenedItem {
  std::int64_t id = 0;
  Date started;
  Date last;
  std::string app;
  std::string title;
  std::optional<std::string> url;
  std::string docKey;
  double seconds = 0;
  double progress = 0;
  std::string stoppedAt;
  bool finished = false;
  bool operator==(const ListenedItem&) const = default;
};

class NotesStore final : public ResearchStore {
 public:
  struct Options {
    // Test seam: makes the full-text batch fail as it does on a SQLite built without FTS5, so the
    // LIKE fallback can be exercised.
    bool simulateMissingFullTextSearch = false;
  };

  // Opens or creates the database at `url` (creating its folder), creates the schema and, when
  // `importJSONL` is given, takes in every record of that research file it has not taken before
  // (notes saved to the file while the database could not be opened). Throws std::filesystem's error when
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

  // ---- Kept page texts ----
  // None of these throw: a failed statement changes nothing and reads as empty.

  // Longest page text kept, in characters; longer texts are cut.
  static constexpr std::int32_t pageTextCap = 400'000;

  // Stores or replaces the page's text (cut to the cap). A blank text stores nothing. A new
  // store keeps the first-stored time and the keep flag, and clears any expiry warning.
  void savePageText(std::string_view docKey, std::string_view title, std::string_view app,
                    const std::optional<std::string>& url, std::string_view text, Date at);
  bool hasPageText(std::string_view docKey);
  std::optional<std::string> pageText(std::string_view docKey);
  // Pages holding any of the terms (each a word prefix), best first, each with an excerpt of
  // about `excerpt` characters around the first term it holds. Terms are lower-cased, reduced to
  // letters and numbers, and dropped when shorter than 3 characters.
  std::vector<PageHit> searchPages(const std::vector<std::string>& terms, std::size_t limit, std::int32_t excerpt);
  // The page with an excerpt around the first of `terms` (normalised as above) it holds, or its
  // opening; nothing when the page has no kept text.
  std::optional<PageHit> page(std::string_view docKey, const std::vector<std::string>& terms, std::int32_t excerpt);
  // The pages stored most recently, newest first, with their openings.
  std::vector<PageHit> recentPages(std::size_t limit, std::int32_t excerpt);
  // Protects the pages from expiry.
  void keepPages(const std::vector<std::string>& keys);
  void clearPageTexts();
  void deletePageText(std::string_view docKey);
  std::int64_t pageTextCount();

  // ---- Page text expiry ----
  // A page text is cleared `keepDays` after its last store, once it was warned at least
  // `warnDays` before, unless it is kept or a saved item is on it. keepDays < 1: never.

  // Unwarned, unprotected pages that reach their age within the warning period.
  std::optional<ExpiringPages> expiringSoon(std::int64_t keepDays, std::int64_t warnDays, Date now);
  void markWarned(const std::vector<std::string>& keys, Date at);
  // Deletes the expired page texts; returns how many went.
  std::int64_t clearExpired(std::int64_t keepDays, std::int64_t warnDays, Date now);
  // Every warned, unprotected page with the date from which it will be cleared.
  std::optional<ExpiringPages> pendingClear(std::int64_t keepDays, std::int64_t warnDays);

  // ---- Listened history ----

  // Records a listen of at least 3 seconds ending at `at`, merged into the page's row when that
  // ended less than 30 minutes before; keeps the page's text when one is given.
  void recordListen(std::string_view app, std::string_view title, const std::optional<std::string>& url,
                    double seconds, double progress, std::string_view stoppedAt, bool finished,
                    const std::optional<std::string>& text, Date at);
  // Newest first.
  std::vector<ListenedItem> listened(std::size_t limit);
  // Deletes one row, and the page's kept text when no row of the page is left.
  void deleteListened(std::int64_t id);
  // Deletes the whole history and every kept page text.
  void clearListened();

  // ---- Written documents ----

  // The new document's id, or nothing when it could not be stored.
  std::optional<std::int64_t> saveDoc(std::string_view title, std::string_view question,
                                      const std::vector<WrittenDoc::Para>& paragraphs,
                                      const std::vector<WrittenDoc::Source>& sources, Date at);
  // Newest first. Damaged paragraphs or sources read as empty lists for that document only.
  std::vector<WrittenDoc> writtenDocs();
  void deleteDoc(std::int64_t id);

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
  // A write whose failure the caller has nothing to do about (page texts, history, documents).
  bool tryWrite(std::string_view sql, std::span<const SqlValue> values);
  bool tryWrite(std::string_view sql, std::initializer_list<SqlValue> values);
  // The page-text insert-or-update, with an already cut text.
  void storePageText(std::string_view docKey, std::string_view title, std::string_view app,
                     const std::optional<std::string>& url, std::string_view cutText, Date at);
  // Under the lock: the page's row with an excerpt around the first of the (normalised) terms.
  std::optional<PageHit> pageHit(std::string_view docKey, const std::vector<std::string>& terms, std::int32_t excerpt);
  // Keys from a one-column query, NULL keys skipped.
  std::vector<std::string> keys(std::string_view sql, std::span<const SqlValue> values);

  // Callers hold the lock. The newest items among the full-text matches of `match`.
  std::vector<StoredItem> searchFullText(const std::string& match, std::optional<ResearchItem::Kind> kind,
                                         std::int64_t limit);
  // Callers hold the lock. The items with these ids, in this order.
  std::vector<StoredItem> rowsInOrder(const std::vector<std::int64_t>& ids);

  void open(const Options& options);
  void migrate(const Options& options);
  void claimOrRefuse();
  void importMissing(const std::filesystem::path& file);

  std::filesystem::path url_;
  sqlite3* db_ = nullptr;
  std::mutex lock_;
  bool hasFullTextSearch_ = false;
};

// The page key of a new item: its address before any "#", else app + "|" + window title, else
// app + "|".
std::string docKeyFor(const ResearchItem& item);

}  // namespace orvak
