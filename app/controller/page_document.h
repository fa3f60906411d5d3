// A document written from the page being read: the numbered sources sent to the service, and
// what is stored from its reply. Pure functions; the controller gathers and announces.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/account/service_records.h"
#include "core/library/notes_store.h"
#include "core/library/written_doc.h"

namespace orvak::PageDocument {

// At most this many saved items go with the page as sources 2, 3, ….
inline constexpr std::size_t kMaxSavedSent = 30;
// The page's text sent as its excerpt, in characters.
inline constexpr int kExcerptChars = 12'000;
// The page source's stored quote, in characters of the excerpt.
inline constexpr int kPageQuoteChars = 240;

struct Page {
  std::string excerpt;  // already cut to kExcerptChars
  std::string title;    // the cleaned page title
  std::string site;     // the address's host as written, else the application
  std::optional<std::string> url;
  std::vector<StoredItem> saved;  // every item saved from the page, in the store's order
};

// The page's host when `url` parses and has one, else `app`.
std::string site(const std::optional<std::string>& url, const std::string& app);

// The sources sent: the page as 1, then the first kMaxSavedSent saved items. `today` is
// "yyyy-MM-dd" in UTC.
std::vector<account::LibraryItem> items(const Page& page, const std::string& today);

// The question sent: "X (from T)" for a topic X, else "this part of T".
std::string question(const std::string& topic, const std::string& title);
// The question stored: the topic, else "Written while reading T".
std::string storedQuestion(const std::string& topic, const std::string& title);

struct Stored {
  std::vector<WrittenDoc::Para> paragraphs;
  std::vector<WrittenDoc::Source> sources;
  bool operator==(const Stored&) const = default;
};

// Renumbers the reply's citations by first appearance (1, 2, …) and makes one source per cited
// number that names a source sent: 1 the page, 2 … 1 + the number of saved items sent those
// items. Any other number keeps its new number but yields no source.
Stored fromReply(const account::LibraryDoc& reply, const Page& page);

}  // namespace orvak::PageDocument
