// Taking the older line file of research items into the database: every record it holds that
// the database has not taken yet, each time the database opens.
#include <map>
#include <set>

#include "core/base/json.h"
#include "core/base/log.h"
#include "core/base/read_file.h"
#include "core/library/notes_store.h"
#include "core/page/privacy.h"

namespace orvak {

namespace {

// The summary of the first import: "<count> items <time>".
constexpr std::string_view importedKey = "imported_jsonl";
// One meta row per record taken in, under this prefix and the record's identity, so that a record
// is taken once, whether the database kept it, the user edited it or deleted it since.
constexpr std::string_view recordPrefix = "imported_jsonl:";

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

// A record's identity: the digest of its encoding, numbered among equal records so that the
// same quote saved twice in one second stays two items.
std::vector<std::string> recordKeys(const std::vector<ResearchItem>& records) {
  std::map<std::string, int> seen;
  std::vector<std::string> keys;
  keys.reserve(records.size());
  for (const auto& record : records) {
    const std::string digest = Privacy::digest(json::encode(record));
    const int repeat = seen[digest]++;
    keys.push_back(std::string(recordPrefix) + digest + (repeat > 0 ? "#" + std::to_string(repeat) : ""));
  }
  return keys;
}

// The time of a first import that took items in before records were marked one by one: every
// record saved by then was taken in with it.
std::optional<Date> summaryCovers(const std::optional<std::string>& summary) {
  if (!summary) return std::nullopt;
  const auto space = summary->find(" items ");
  if (space == std::string::npos || summary->compare(0, space, "0") == 0) return std::nullopt;
  return parseIso8601(std::string_view(*summary).substr(space + 7));
}

}  // namespace

// The items and their marks go in one transaction under the lock for its whole length: a failure
// leaves neither an item without its mark (which the next opening would take again, duplicating
// it) nor a mark without its item. A line that does not decode, or that the database refuses on
// its own account, is skipped; a failure of the database itself (disk full, I/O) rolls back and
// throws, and the next opening tries again. An unreadable file is tried again at the next opening
// too. Nothing is written when there is nothing new.
void NotesStore::importMissing(const std::filesystem::path& file) {
  const auto bytes = readWholeFile(file);
  const auto records = bytes ? decodeResearchLines(*bytes) : std::vector<ResearchItem>{};
  const auto keys = recordKeys(records);

  std::unique_lock guard(lock_);
  std::optional<std::string> summary;
  const SqlValue summaryKey{importedKey};
  withStatement("SELECT value FROM meta WHERE key = ?", std::span(&summaryKey, 1), [&](SqlStatement& st) {
    if (st.nextRow()) summary = st.optText(0);
  });
  std::set<std::string> taken;
  const SqlValue prefix{std::string(recordPrefix)};
  withStatement("SELECT key FROM meta WHERE substr(key, 1, length(?1)) = ?1", std::span(&prefix, 1),
                [&](SqlStatement& st) {
                  while (st.nextRow()) {
                    if (auto key = st.optText(0)) taken.insert(std::move(*key));
                  }
                });
  // Only a database imported before the marks (a summary, no marks) needs the summary's time; its
  // first pass here marks what that import covered, and from then on the marks alone decide.
  const auto coveredUntil = taken.empty() ? summaryCovers(summary) : std::nullopt;

  struct Pending {
    const ResearchItem* record;
    const std::string* key;
    bool insert;
  };
  std::vector<Pending> pending;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (taken.contains(keys[i])) continue;
    const bool covered = coveredUntil && records[i].ts <= *coveredUntil;
    pending.push_back({&records[i], &keys[i], !covered});
  }
  if (pending.empty() && summary) return;

  execLocked("BEGIN IMMEDIATE");
  std::size_t imported = 0;
  try {
    for (const auto& p : pending) {
      if (p.insert) {
        try {
          insertLocked(*p.record);
          ++imported;
        } catch (const NotesStoreError& e) {
          if (!isRecordFault(sqlite3_extended_errcode(db_))) throw;
          Log::write("notes: import skipped a record: " + e.message);
          continue;
        }
      }
      const SqlValue mark[] = {*p.key, std::string()};
      writeLocked("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)", mark);
    }
    if (!summary) {
      const SqlValue meta[] = {importedKey, std::to_string(imported) + " items " + iso8601(Date::now())};
      writeLocked("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)", meta);
    }
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
