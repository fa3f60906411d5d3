// The one-time import of the older line file of research items into the database.
#include <fstream>
#include <iterator>
#include <sstream>

#include "core/base/log.h"
#include "core/base/read_file.h"
#include "core/library/notes_store.h"

namespace orvak {

namespace {

constexpr std::string_view importedKey = "imported_jsonl";

// Failures that belong to one record rather than to the database: that line is skipped.
bool isRecordFault(int code) {
  switch (code & 0xff) {
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
      return true;
    default:
      return false;
  }
}

}  // namespace

// The items and the marker go in one transaction under the lock for its whole length: a failure
// leaves neither half an import (which the next start would import again, duplicating it) nor a
// marker without its items. A line that does not decode, or that the database refuses on its
// own account, is skipped; a failure of the database itself (disk full, I/O) rolls back and
// throws, and the next start tries again.
void NotesStore::importOnce(const std::filesystem::path& file) {
  std::unique_lock guard(lock_);
  const SqlValue key{importedKey};
  std::optional<std::string> marker;
  withStatement("SELECT value FROM meta WHERE key = ?", std::span(&key, 1), [&](SqlStatement& st) {
    if (st.nextRow()) marker = st.optText(0);
  });
  if (marker) return;

  const auto bytes = readWholeFile(file);
  const auto records = bytes ? decodeResearchLines(*bytes) : std::vector<ResearchItem>{};

  execLocked("BEGIN IMMEDIATE");
  std::size_t imported = 0;
  try {
    for (const auto& item : records) {
      try {
        insertLocked(item);
        ++imported;
      } catch (const NotesStoreError& e) {
        if (!isRecordFault(sqlite3_extended_errcode(db_))) throw;
        Log::write("notes: import skipped a record: " + e.message);
      }
    }
    const SqlValue meta[] = {importedKey, std::to_string(imported) + " items " + iso8601(Date::now())};
    writeLocked("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)", meta);
    execLocked("COMMIT");
  } catch (...) {
    try {
      execLocked("ROLLBACK");
    } catch (const NotesStoreError&) {
      // SQLite may have rolled back already (it does on some I/O errors).
    }
    throw;
  }
  guard.unlock();
  if (imported > 0) Log::write("notes: imported " + std::to_string(imported) + " items from research.jsonl");
}

}  // namespace orvak
