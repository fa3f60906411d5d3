// The texts of the library's cards and lists: when an item was saved, how long ago a page was,
// where it came from, an item as plain text, a page's counts, and the name an export suggests.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/date.h"
#include "core/base/date_format.h"
#include "core/library/notes_store.h"

namespace orvak::NotesText {

// A saved item's time: medium date (a near day as "Today", "Yesterday") and short time.
std::string when(Date d, const dates::Zone& zone = {});
// How long before `now` a page was saved, in the short style ("3 days ago").
std::string ago(Date d, Date now, const dates::Zone& zone = {});
// The host of an address without a leading "www.", else the application's name.
std::string source(const std::optional<std::string>& url, std::string_view app);
// What a copy puts on the clipboard: “quote”, the note, "— " and the page's title, the address.
std::string plain(const StoredItem& item);
// "2 highlights · 1 note"; "" for a page with neither.
std::string counts(const DocumentSummary& page);
// "1 item", "3 items", "0 items": the English plain plural of the library.
std::string plural(std::int64_t n, std::string_view noun);
// The file name an export suggests for a title: "/" turned into "-", leading dots dropped (no
// hidden file), cut to 80 characters, "Untitled" when nothing is left, then ".md".
std::string exportFileName(std::string_view title);
// What the library shows when its database could not be opened: where the database was looked
// for, where highlights go meanwhile, and which log has the error. Folders under `home` are
// written from "~".
std::string unavailable(const std::filesystem::path& support, const std::filesystem::path& logs,
                        const std::filesystem::path& home);

}  // namespace orvak::NotesText
