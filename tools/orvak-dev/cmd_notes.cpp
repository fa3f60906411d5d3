// orvak-dev notes: looks into the user's notes database. It opens the database exactly as the
// application does (creating it when missing and importing research.jsonl once), so what it
// shows is what the library window would show.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/library/notes_store.h"
#include "core/base/paths.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/one_line.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

constexpr const char* kUsage =
    "usage: orvak-dev notes search QUERY...   saved items holding every word, newest first\n"
    "       orvak-dev notes markdown [DOCKEY]  one page (or every page) as Markdown\n"
    "       orvak-dev notes pages TERM...      kept page texts holding any term, best first, with excerpts\n"
    "       orvak-dev notes listened [N]       the listened history, newest first\n"
    "       orvak-dev notes export [DOCKEY] OUT.md  the library window's export of one page (or all)\n"
    "       orvak-dev notes open ITEM_ID       open where a saved item came from; prints what opened\n"
    "       orvak-dev notes housekeeping [--now ISO] [--keep-days N]  one pass of the history housekeeping\n"
    "       orvak-dev notes renumber REPLY.json --items N  a document reply's stored citations and sources\n";

std::unique_ptr<NotesStore> openUserStore() {
  auto store = std::make_unique<NotesStore>(NotesStore::defaultURL(), OrvakPaths::research());
  std::fprintf(stderr, "%s\n", store->url().c_str());
  return store;
}

int search(const Args& args) {
  std::string query;
  for (std::size_t i = 1; i < args.size(); ++i) query += (query.empty() ? "" : " ") + args[i];
  const auto store = openUserStore();
  const auto found = store->search(query, std::nullopt, 50);
  for (const auto& s : found) {
    std::printf("#%lld  %s  %s  %s\n", static_cast<long long>(s.id), iso8601(s.item.ts).c_str(),
                std::string(rawValue(s.item.kind)).c_str(), s.docKey.c_str());
    std::printf("    > %s\n", oneLine(s.item.quote, 120).c_str());
    if (s.item.note && !s.item.note->empty()) std::printf("    note: %s\n", oneLine(*s.item.note, 120).c_str());
  }
  std::printf("%zu of %lld items (%s)\n", found.size(), static_cast<long long>(store->count()),
              store->hasFullTextSearch() ? "full-text search" : "LIKE search");
  return 0;
}

int markdown(const Args& args) {
  if (args.size() > 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const auto store = openUserStore();
  const std::optional<std::string_view> key =
      args.size() == 2 ? std::optional<std::string_view>(args[1]) : std::nullopt;
  std::fputs(store->markdown(key).c_str(), stdout);
  return 0;
}

int pages(const Args& args) {
  const std::vector<std::string> terms(args.begin() + 1, args.end());
  const auto store = openUserStore();
  const auto hits = store->searchPages(terms, 10, 300);
  for (const auto& h : hits) {
    std::printf("%s  %s  %s\n", iso8601(h.last).c_str(), h.docKey.c_str(), h.title.c_str());
    std::printf("    %s\n", oneLine(h.excerpt, 300).c_str());
  }
  std::printf("%zu of %lld pages (%s)\n", hits.size(), static_cast<long long>(store->pageTextCount()),
              store->hasFullTextSearch() ? "ranked full-text search" : "LIKE search, newest first");
  return 0;
}

int listened(const Args& args) {
  std::size_t limit = 50;
  if (args.size() == 2) {
    try {
      limit = static_cast<std::size_t>(std::stoul(args[1]));
    } catch (const std::exception&) {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  const auto store = openUserStore();
  for (const auto& r : store->listened(limit)) {
    std::printf("#%lld  %s  %5.0fs  %3.0f%%  %s  %s%s\n", static_cast<long long>(r.id), iso8601(r.last).c_str(),
                r.seconds, r.progress * 100, r.finished ? "finished" : "stopped ", r.docKey.c_str(),
                store->hasPageText(r.docKey) ? "" : "  (no kept text)");
  }
  return 0;
}

}  // namespace

int notesExport(const Args& args);
int notesOpen(const Args& args);
int notesHousekeeping(const Args& args);
int notesRenumber(const Args& args);

int runNotes(const Args& args) {
  if (!args.empty() && args[0] == "export") {
    if (const int rc = notesExport(args); rc != 2) return rc;
  }
  if (!args.empty() && args[0] == "open") {
    if (const int rc = notesOpen(args); rc != 2) return rc;
  }
  try {
    if (!args.empty() && args[0] == "housekeeping") return notesHousekeeping(args);
    if (!args.empty() && args[0] == "renumber") return notesRenumber(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  if (!args.empty() && args[0] == "search" && args.size() >= 2) return search(args);
  if (!args.empty() && args[0] == "markdown") return markdown(args);
  if (!args.empty() && args[0] == "pages" && args.size() >= 2) return pages(args);
  if (!args.empty() && args[0] == "listened" && args.size() <= 2) return listened(args);
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace orvak::dev
