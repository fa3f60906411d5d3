// The notes database's schema, as the six texts that opening runs in order. Every statement uses
// IF NOT EXISTS, so running them on an existing file changes nothing.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvak::notes_schema {

// The application id our database carries in its header ("ORVK"), so that a database of another
// program is never taken for ours.
inline constexpr std::int64_t applicationId = 0x4F52564B;
// Journal mode WAL (a killed process loses at most the statement it was running), foreign keys.
extern const std::string_view pragmas;
// meta and items with their indexes.
extern const std::string_view itemTables;
// The full-text index of items and the triggers that keep it in step. Fails where SQLite has no
// FTS5; the store then searches with LIKE.
extern const std::string_view itemIndex;
// listened and written_docs.
extern const std::string_view historyTables;
// page_text.
extern const std::string_view pageTables;
// The full-text index of page texts; run only when itemIndex succeeded.
extern const std::string_view pageIndex;

}  // namespace orvak::notes_schema
