// orvak-dev notes housekeeping | renumber: what reading leaves in the library, by hand. The first
// runs one pass of the history housekeeping on the user's database; the second shows how a
// document's reply is renumbered and which sources it keeps.
#include <cstdio>
#include <string>

#include "app/controller/housekeeping.h"
#include "app/controller/page_document.h"
#include "app/prefs.h"
#include "core/base/date.h"
#include "core/base/json.h"
#include "core/base/paths.h"
#include "core/base/read_file.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

Args rest(const Args& args) { return Args(args.begin() + 1, args.end()); }

std::string numbers(const std::vector<std::int64_t>& list) {
  std::string out;
  for (const auto n : list) out += (out.empty() ? "" : ", ") + std::to_string(n);
  return "[" + out + "]";
}

}  // namespace

int notesHousekeeping(const Args& args) {
  // notes housekeeping [--now ISO] [--keep-days N]
  const Options o(rest(args), {"--now", "--keep-days"}, {}, 0);
  Date now = Date::now();
  if (const auto text = o.value("--now")) {
    const auto parsed = parseIso8601(*text);
    if (!parsed) throw UsageError("--now takes an ISO-8601 date, e.g. 2031-01-01T00:00:00Z");
    now = *parsed;
  }
  const auto days = o.number("--keep-days");
  const std::int64_t keepDays = days ? static_cast<std::int64_t>(*days) : Prefs::shared().historyKeepDays();
  NotesStore store(NotesStore::defaultURL(), OrvakPaths::research());
  const auto pass = HistoryHousekeeping::run(store, keepDays, now);
  if (!pass.warned && pass.cleared == 0) {
    std::printf("nothing to warn, nothing cleared\n");
    return 0;
  }
  if (pass.warned)
    std::printf("notice: %s\n        %s [Keep them]\n", pass.notice.c_str(), HistoryHousekeeping::kNoticeSub);
  std::printf("cleared %lld page text%s\n", static_cast<long long>(pass.cleared), pass.cleared == 1 ? "" : "s");
  return 0;
}

int notesRenumber(const Args& args) {
  // notes renumber REPLY.json --items N
  const Options o(rest(args), {"--items"}, {}, 1);
  const auto items = o.number("--items").value_or(0);
  if (items < 0 || items > 10'000) throw UsageError("--items takes a count from 0 to 10000");
  const auto text = readWholeFile(o.plain()[0]);
  if (!text) {
    std::fprintf(stderr, "cannot read %s\n", o.plain()[0].c_str());
    return 1;
  }
  account::LibraryDoc reply;
  try {
    reply = json::decode<account::LibraryDoc>(*text);
  } catch (const json::DecodeError& e) {
    std::fprintf(stderr, "not a document reply: %s\n", e.what());
    return 1;
  }
  PageDocument::Page page;
  page.excerpt = "(the page's text)";
  page.title = "Page";
  page.url = "https://example.org/page";
  for (int i = 1; i <= static_cast<int>(items); ++i) {
    StoredItem s;
    s.id = i;
    s.item.quote = "saved item " + std::to_string(i);
    page.saved.push_back(s);
  }
  const auto stored = PageDocument::fromReply(reply, page);
  std::printf("sent: the page as 1, saved items 1-%zu as 2-%zu\n",
              std::min(page.saved.size(), PageDocument::kMaxSavedSent),
              std::min(page.saved.size(), PageDocument::kMaxSavedSent) + 1);
  for (std::size_t i = 0; i < stored.paragraphs.size(); ++i) {
    std::printf("paragraph %zu: cites %s -> %s\n", i + 1, numbers(reply.paragraphs[i].cites).c_str(),
                numbers(stored.paragraphs[i].cites).c_str());
  }
  for (const auto& s : stored.sources) {
    std::printf("source %lld: %s\n", static_cast<long long>(s.n), s.itemId ? s.quote.c_str() : "the page");
  }
  if (stored.sources.empty()) std::printf("no sources\n");
  return 0;
}

}  // namespace orvak::dev
