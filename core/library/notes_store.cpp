#include "core/library/notes_store.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <utility>

#include "core/base/log.h"
#include "core/library/notes_schema.h"
#include "core/base/paths.h"
#include "core/text/text.h"

namespace orvak {

NotesStoreError::NotesStoreError(std::string msg)
    : std::runtime_error("notes database: " + msg), message(std::move(msg)) {}

namespace {

std::string errorMessage(sqlite3* db) {
  const char* m = db ? sqlite3_errmsg(db) : nullptr;
  return m && *m ? std::string(m) : std::string("?");
}

}  // namespace

NotesStore::NotesStore(std::filesystem::path url, std::optional<std::filesystem::path> importJSONL)
    : NotesStore(std::move(url), std::move(importJSONL), Options{}) {}

NotesStore::NotesStore(std::filesystem::path url, std::optional<std::filesystem::path> importJSONL,
                       Options options)
    : url_(std::move(url)) {
  if (url_.has_parent_path()) std::filesystem::create_directories(url_.parent_path());
  open(options);
  try {
    if (importJSONL) importMissing(*importJSONL);
  } catch (...) {
    // No destructor runs for a constructor that throws: close the connection here.
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw;
  }
}

NotesStore::~NotesStore() {
  // v2 defers the close until any statement still alive is finalized; there is none by design.
  if (db_) sqlite3_close_v2(db_);
}

std::filesystem::path NotesStore::defaultURL() { return OrvakPaths::support() / "notes.sqlite"; }

void NotesStore::open(const Options& options) {
  constexpr int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;  // 0x10006
  const int rc = sqlite3_open_v2(url_.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = "open failed: " + errorMessage(db_);
    sqlite3_close_v2(db_);  // open hands back a handle even on failure
    db_ = nullptr;
    throw NotesStoreError(std::move(message));
  }
  sqlite3_extended_result_codes(db_, 1);
  try {
    claimOrRefuse();
    exec(notes_schema::pragmas);
    migrate(options);
    exec(notes_schema::historyTables);
    exec(notes_schema::pageTables);
    if (hasFullTextSearch_) exec(notes_schema::pageIndex);
  } catch (...) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw;
  }
}

namespace {

// The first integer of a query's first row; nothing when it fails or gives no row.
std::optional<std::int64_t> firstInteger(sqlite3* db, const char* sql, std::string& error) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK || raw == nullptr) {
    error = sqlite3_errmsg(db);
    return std::nullopt;
  }
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owner(raw, sqlite3_finalize);
  const int rc = sqlite3_step(raw);
  if (rc != SQLITE_ROW) {
    error = sqlite3_errmsg(db);
    return std::nullopt;
  }
  return sqlite3_column_int64(raw, 0);
}

// Every schema object of a database by name, with the text that created it (none for SQLite's
// own automatic indexes); nothing when the schema cannot be read.
using Schema = std::map<std::string, std::optional<std::string>>;

std::optional<Schema> schemaOf(sqlite3* db, std::string& error) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name, sql FROM sqlite_master", -1, &raw, nullptr) != SQLITE_OK ||
      raw == nullptr) {
    error = sqlite3_errmsg(db);
    return std::nullopt;
  }
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owner(raw, sqlite3_finalize);
  Schema schema;
  int rc = SQLITE_ROW;
  while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
    const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(raw, 1));
    schema.emplace(name ? name : "", sql ? std::optional<std::string>(sql) : std::nullopt);
  }
  if (rc != SQLITE_DONE) {
    error = sqlite3_errmsg(db);
    return std::nullopt;
  }
  return schema;
}

// Our whole schema, made afresh in a database in memory: what a file of ours from before the
// application id holds (in full or in part, since the schema only ever gained tables).
Schema ourSchema() {
  sqlite3* raw = nullptr;
  sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close_v2);
  // A batch that fails (no FTS5 here) leaves its objects out; a file holding them is then not
  // recognised, which refuses rather than risks changing a stranger's file.
  for (const auto batch : {notes_schema::itemTables, notes_schema::itemIndex, notes_schema::historyTables,
                           notes_schema::pageTables, notes_schema::pageIndex}) {
    sqlite3_exec(db.get(), std::string(batch).c_str(), nullptr, nullptr, nullptr);
  }
  std::string error;
  return schemaOf(db.get(), error).value_or(Schema{});
}

}  // namespace

// Reads only: nothing is written to a file until it is known to be ours. Ours is a database
// carrying our application id, an empty one, or one from before the id holding an items table
// whose every object is one of ours, word for word as our schema creates it (it then gets the id).
void NotesStore::claimOrRefuse() {
  std::string error;
  const auto id = firstInteger(db_, "PRAGMA application_id", error);
  if (!id) throw NotesStoreError("open failed: " + error);
  if (*id == notes_schema::applicationId) return;
  const auto schema = schemaOf(db_, error);
  if (!schema) throw NotesStoreError("open failed: " + error);
  const auto isOurs = [&] {
    if (schema->empty()) return true;
    if (!schema->contains("items")) return false;
    const Schema ours = ourSchema();
    return std::all_of(schema->begin(), schema->end(), [&](const auto& object) {
      const auto it = ours.find(object.first);
      return it != ours.end() && it->second == object.second;
    });
  };
  if (*id != 0 || !isOurs()) {
    throw NotesStoreError("not our notes database: " + url_.filename().string() +
                          " belongs to another program and is left as it is");
  }
  exec("PRAGMA application_id = " + std::to_string(notes_schema::applicationId));
}

void NotesStore::migrate(const Options& options) {
  exec(notes_schema::itemTables);
  try {
    if (options.simulateMissingFullTextSearch) {
      std::string text(notes_schema::itemIndex);
      text.replace(text.find("fts5("), 4, "fts5_unavailable");
      exec(text);
    } else {
      exec(notes_schema::itemIndex);
    }
    hasFullTextSearch_ = true;
  } catch (const NotesStoreError& e) {
    Log::write("notes: FTS5 unavailable, search uses LIKE (" + std::string(e.what()) + ")");
  }
}

// ---- Statement layer ----

void NotesStore::exec(std::string_view sql) {
  std::lock_guard guard(lock_);
  execLocked(sql);
}

void NotesStore::execLocked(std::string_view sql) {
  const std::string text(sql);  // sqlite3_exec wants a terminated string
  char* err = nullptr;
  const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err);
  if (rc != SQLITE_OK) {
    std::string message = err && *err ? std::string(err) : std::string("?");
    sqlite3_free(err);
    throw NotesStoreError(std::move(message));
  }
  sqlite3_free(err);
}

std::int64_t NotesStore::write(std::string_view sql, std::initializer_list<SqlValue> values) {
  return write(sql, std::span<const SqlValue>(values.begin(), values.size()));
}

std::int64_t NotesStore::write(std::string_view sql, std::span<const SqlValue> values) {
  std::lock_guard guard(lock_);
  return writeLocked(sql, values);
}

std::int64_t NotesStore::writeLocked(std::string_view sql, std::span<const SqlValue> values) {
  int rc = SQLITE_ERROR;
  std::string message;
  auto failure = withStatement(sql, values, [&](SqlStatement& st) {
    rc = st.step();
    if (rc != SQLITE_DONE) message = errorMessage(db_);
  });
  if (failure) throw NotesStoreError(std::move(*failure));
  if (rc != SQLITE_DONE) throw NotesStoreError(std::move(message));
  return sqlite3_last_insert_rowid(db_);
}

std::optional<std::string> NotesStore::withStatement(std::string_view sql, std::span<const SqlValue> values,
                                                     const Body& body) {
  sqlite3_stmt* raw = nullptr;
  const int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
  if (rc != SQLITE_OK || raw == nullptr) {
    std::string message = errorMessage(db_);
    Log::write("notes: prepare failed: " + message + " \u00b7 " + std::string(text::graphemePrefix(sql, 80)));
    return message;
  }
  // Finalized on every way out, the body's exceptions included.
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owner(raw, sqlite3_finalize);
  int index = 1;
  for (const SqlValue& v : values) {
    const int brc = std::visit(
        [&](const auto& x) -> int {
          using T = std::decay_t<decltype(x)>;
          if constexpr (std::is_same_v<T, std::monostate>) {
            return sqlite3_bind_null(raw, index);
          } else if constexpr (std::is_same_v<T, std::int64_t>) {
            return sqlite3_bind_int64(raw, index, x);
          } else if constexpr (std::is_same_v<T, double>) {
            // SQLite would store NaN as NULL without a word; refuse it instead.
            return std::isfinite(x) ? sqlite3_bind_double(raw, index, x) : SQLITE_MISMATCH;
          } else {
            return sqlite3_bind_text64(raw, index, x.data(), x.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
          }
        },
        v.value());
    if (brc != SQLITE_OK) {
      std::string message = "value " + std::to_string(index) + " cannot be bound: " + sqlite3_errstr(brc);
      Log::write("notes: bind failed: " + message + " \u00b7 " + std::string(text::graphemePrefix(sql, 80)));
      return message;
    }
    ++index;
  }
  SqlStatement statement(raw);
  body(statement);
  return std::nullopt;
}

std::optional<std::int64_t> NotesStore::scalar(std::string_view sql) {
  std::optional<std::int64_t> result;
  withStatement(sql, {}, [&](SqlStatement& st) {
    if (st.nextRow()) result = st.integer(0);
  });
  return result;
}

}  // namespace orvak
