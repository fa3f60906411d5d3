// orvak-dev library: the library window's model over the user's library, without a window. A
// question goes to the service at `apiBase` (see `orvak-dev fake-service`).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "app/account/account.h"
#include "app/library/library_model.h"
#include "app/library/notes_text.h"
#include "app/library/panes.h"
#include "app/library/sample_library.h"
#include "app/prefs.h"
#include "core/base/dispatch.h"
#include "core/base/paths.h"
#include "core/text/text.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/one_line.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

constexpr const char* kUsage =
    "library ask QUESTION [--about DOCKEY] [--document] | stream [--filter all|words|week] | "
    "days [--filter all|words|week] | doc-markdown ID | highlights [--filter all|words|week] | search QUERY | "
    "pages | page DOCKEY | listened | documents [ID] | marks TEXT | sample FILE.json";

struct UserLibrary {
  std::shared_ptr<NotesModel> notes;
  std::shared_ptr<LibraryModel> model;
};

UserLibrary openLibrary() {
  auto store = std::make_shared<NotesStore>(NotesStore::defaultURL(), OrvakPaths::research());
  UserLibrary lib;
  lib.notes = NotesModel::make(store, NotesModel::Services{});
  lib.model = LibraryModel::make(lib.notes, LibraryModel::Services{nullptr, nullptr, nullptr,
                                                                    Account::make()});
  return lib;
}

void printSource(const LibraryModel::Cited& c) {
  if (c.item) {
    std::printf("  [%lld] saved #%lld  \u201C%s\u201D%s\n", static_cast<long long>(c.n), static_cast<long long>(c.item->id),
                oneLine(c.item->item.quote, 80).c_str(),
                c.item->item.note && !c.item->item.note->empty() ? ("  note: " + oneLine(*c.item->item.note, 40)).c_str() : "");
  } else if (c.page) {
    std::printf("  [%lld] page %s  %s\n", static_cast<long long>(c.n), c.page->docKey.c_str(), oneLine(c.page->excerpt, 80).c_str());
  }
}

LibraryModel::Filter filterOption(const Options& o) {
  const std::string raw = o.value("--filter").value_or("all");
  if (raw == "all") return LibraryModel::Filter::all;
  if (raw == "words") return LibraryModel::Filter::words;
  if (raw == "week") return LibraryModel::Filter::week;
  throw UsageError("--filter takes all, words or week");
}

int stream(const Args& args, bool itemsToo) {
  const Options o(args, {"--filter"}, {}, 0);
  const auto lib = openLibrary();
  lib.model->setFilter(filterOption(o));
  for (const auto& g : lib.model->days()) {
    std::printf("%s (%zu)\n", g.label.c_str(), g.items.size());
    if (!itemsToo) continue;
    for (const auto& s : g.items) std::printf("  #%lld  %s\n", static_cast<long long>(s.id), oneLine(s.item.quote, 100).c_str());
  }
  return 0;
}

int ask(const Args& args) {
  const Options o(args, {"--about"}, {"--document"}, 1);
  const std::string question = o.plain()[0];
  const auto lib = openLibrary();
  const auto& model = lib.model;
  std::printf("terms:");
  for (const auto& t : LibraryModel::terms(question)) std::printf(" %s", t.c_str());
  std::printf("\nsources:\n");
  for (const auto& c : model->context(question, o.value("--about"))) printSource(c);

  model->askLibrary(question, o.value("--about"));
  constexpr double kWait = account::bounds::kLibraryDocument.deadline + 5;
  dispatch::mainloop::runUntil([&] { return !std::holds_alternative<LibraryModel::Asking>(model->ask()); }, kWait);
  if (const auto* failed = std::get_if<LibraryModel::Failed>(&model->ask())) {
    std::printf("failed: %s\n", failed->message.c_str());
    return 1;
  }
  const auto* answer = std::get_if<LibraryModel::Answer>(&model->ask());
  if (!answer) {
    std::fprintf(stderr, "no answer\n");
    return 1;
  }
  std::printf("answer: %s\ncited:\n", answer->text.c_str());
  for (const auto& c : answer->cited) printSource(c);
  if (!o.flag("--document")) return 0;

  model->makeDocument();
  dispatch::mainloop::runUntil([&] { return !model->writing(); }, kWait);
  dispatch::mainloop::drain();
  if (const auto* failed = std::get_if<LibraryModel::Failed>(&model->ask())) {
    std::printf("document failed: %s\n", failed->message.c_str());
    return 1;
  }
  if (!std::holds_alternative<LibraryModel::Idle>(model->ask()) || !model->openDoc()) {
    std::printf("the document was not saved\n");
    return 1;
  }
  for (const auto& d : model->docs()) {
    if (d.id == *model->openDoc()) std::printf("document #%lld\n%s\n", static_cast<long long>(d.id), LibraryModel::markdown(d).c_str());
  }
  return 0;
}

int docMarkdown(const Args& args) {
  const Options o(args, {}, {}, 1);
  std::int64_t id = 0;
  try {
    id = std::stoll(o.plain()[0]);
  } catch (const std::exception&) {
    throw UsageError("library doc-markdown ID");
  }
  const auto lib = openLibrary();
  for (const auto& d : lib.model->docs()) {
    if (d.id == id) {
      std::printf("%s\n", LibraryModel::markdown(d).c_str());
      return 0;
    }
  }
  std::fprintf(stderr, "no document #%lld\n", static_cast<long long>(id));
  return 1;
}

// ---- The panes as text: what each control of the library window says ----

std::string keyOfUser() { return panes::keyName(Prefs::shared().hotkeyCode()); }

void printCard(const StoredItem& s, bool timeOnly, const dates::Zone& zone, std::optional<std::int64_t> number = {}) {
  std::printf("  %s#%lld  %s\u201C%s\u201D\n", number ? ("[" + std::to_string(*number) + "] ").c_str() : "",
              static_cast<long long>(s.id), s.item.kind == ResearchItem::Kind::highlight ? "(band) " : "",
              oneLine(s.item.quote, 100).c_str());
  if (panes::hasNote(s)) std::printf("      YOU SAID  %s\n", oneLine(*s.item.note, 100).c_str());
  std::printf("      %s  %s\n", panes::cardTitle(s).c_str(), panes::sourceLine(s, timeOnly, zone).c_str());
  std::printf("      [Listen]%s\n",
              [&] {
                const auto open = panes::openTitle(panes::OpenKind::savedItem, s.item.url, s.item.app);
                return open ? " [" + *open + "]" : std::string();
              }()
                  .c_str());
}

void printHead(const std::string& title, const std::string& sub) {
  std::printf("LIBRARY\n%s%s%s\n\n", title.c_str(), sub.empty() ? "" : "  ", sub.c_str());
}

int highlights(const Args& args) {
  const Options o(args, {"--filter"}, {}, 0);
  const auto lib = openLibrary();
  lib.model->setFilter(filterOption(o));
  printHead(panes::kHighlightsTitle, panes::summary(lib.model->stream()));
  for (const auto& c : panes::chips(lib.model->filter())) std::printf(c.on ? "(%s) " : " %s  ", c.label.c_str());
  std::printf("\n");
  if (lib.model->stream().empty()) {
    std::printf("\n%s\n%s\n", panes::kNothingSaved, panes::emptyText(keyOfUser()).c_str());
    return 0;
  }
  for (const auto& g : lib.model->days()) {
    std::printf("\n%s\n", panes::dayHeading(g.label).c_str());
    for (const auto& s : g.items) printCard(s, true, lib.model->zone);
  }
  return 0;
}

int search(const Args& args) {
  const Options o(args, {}, {}, 1);
  const auto lib = openLibrary();
  lib.notes->setQuery(o.plain()[0]);
  std::printf("[%s]  Return\n%s\n\n", panes::askRowLabel(lib.notes->query()).c_str(),
              panes::countLine(lib.notes->results().size(), lib.notes->query()).c_str());
  for (const auto& s : lib.notes->results()) printCard(s, false, lib.model->zone);
  return 0;
}

int pagesList(const Args& args) {
  const Options o(args, {}, {}, 0);
  const auto lib = openLibrary();
  printHead(panes::kPagesTitle, panes::kPagesSub);
  if (lib.notes->docs().empty()) std::printf("%s\n", panes::kNothingSaved);
  for (const auto& d : lib.notes->docs()) {
    const auto open = panes::openTitle(panes::OpenKind::page, d.url, d.app);
    std::printf("%s  (%s)\n  %s\n  [Listen to my highlights]%s\n\n", panes::pageTitle(d).c_str(), d.key.c_str(),
                panes::pageCardLine(d, Date::now(), lib.model->zone).c_str(), open ? (" [" + *open + "]").c_str() : "");
  }
  if (!lib.notes->docs().empty()) std::printf("[Export All\u2026]\n");
  return 0;
}

int pageDetail(const Args& args) {
  const Options o(args, {}, {}, 1);
  const auto lib = openLibrary();
  for (const auto& d : lib.notes->docs()) {
    if (d.key != o.plain()[0]) continue;
    panes::openPageDetail(*lib.model, d);
    const auto open = panes::openTitle(panes::OpenKind::page, d.url, d.app);
    std::printf("< Pages\n%s\n%s\n%s   [Listen]%s [Export\u2026]\n\n",
                text::uppercase(NotesText::source(d.url, d.app)).c_str(), panes::pageTitle(d).c_str(),
                NotesText::counts(d).c_str(), open ? (" [" + *open + "]").c_str() : "");
    for (const auto& s : lib.notes->items()) printCard(s, false, lib.model->zone);
    return 0;
  }
  std::fprintf(stderr, "no page with the key %s (orvak-dev library pages)\n", o.plain()[0].c_str());
  return 1;
}

int listenedPane(const Args& args) {
  const Options o(args, {}, {}, 0);
  const auto lib = openLibrary();
  Prefs& prefs = Prefs::shared();
  lib.model->keepDays = [&] { return prefs.historyKeepDays(); };
  lib.model->reload();
  printHead(panes::kListenedTitle, panes::listenedSub(lib.model->listened().size()));
  std::printf("%s  [%s: %s]\n", panes::kRememberCaption, panes::kRememberLabel,
              prefs.rememberListening() ? "on" : "off");
  std::string keep = "?";
  for (const auto& c : panes::keepChoices()) {
    if (c.days == prefs.historyKeepDays()) keep = c.label;
  }
  std::printf("%s  [%s]\n%s\n", panes::kKeepLabel, keep.c_str(), panes::kKeepNote);
  if (panes::showsBanner(*lib.model)) {
    std::printf("\n! %s  [%s] [%s] [%s]\n", panes::bannerText(*lib.model->pending(), lib.model->zone).c_str(),
                panes::kKeepThem, panes::kKeepEverything, panes::kLetThemGo);
  }
  if (lib.model->listened().empty()) std::printf("\n%s\n", panes::listenedEmpty(prefs.rememberListening()).c_str());
  const std::string key = panes::keyName(prefs.hotkeyCode());
  for (const auto& l : lib.model->listened()) {
    const int filled = static_cast<int>(panes::progressWidth(l.progress) / 10);
    const auto open = panes::rowOpenTitle(l);
    std::printf(
        "\n%s\n  %s\n  [%s%s] %s%s%s\n", panes::listenedTitle(l).c_str(),
        panes::listenedLine(l, Date::now(), lib.model->zone).c_str(), std::string(filled, '#').c_str(),
        std::string(20 - filled, '.').c_str(), panes::stopLine(l).c_str(),
        panes::showsAskAboutIt(lib.notes->store(), l) ? ("  [" + std::string(panes::kAskAboutIt) + "]").c_str() : "",
        open ? ("  [" + *open + "]").c_str() : "");
  }
  if (!lib.model->listened().empty()) std::printf("\n[%s]\n", panes::kClearHistory);
  return 0;
}

int documents(const Args& args) {
  const Options o(args, {}, {}, args.empty() ? 0 : 1);
  const auto lib = openLibrary();
  if (!o.plain().empty()) {
    try {
      lib.model->setOpenDoc(std::stoll(o.plain()[0]));
    } catch (const std::exception&) {
      throw UsageError("library documents [ID]");
    }
  }
  std::printf("LIBRARY\n%s\n%s\n\n", panes::kDocumentsTitle, panes::kDocumentsCaption);
  for (const auto& d : lib.model->docs()) {
    std::printf("%s #%lld %s\n    %s\n", lib.model->openDoc() == d.id ? "*" : " ", static_cast<long long>(d.id),
                d.title.c_str(), panes::docRowLine(d, Date::now(), lib.model->zone).c_str());
  }
  const auto doc = panes::openDocument(*lib.model);
  if (!doc) {
    std::printf("\n%s\n", panes::kNoDocuments);
    return 0;
  }
  std::printf("\n%s\n%s\n[Listen] [Copy] [Export\u2026]   Delete\n\n", panes::kicker(*doc).c_str(), doc->title.c_str());
  for (const auto& p : doc->paragraphs) std::printf("%s\n\n", panes::markedPlain(panes::paragraphText(p)).c_str());
  if (doc->sources.empty()) return 0;
  std::printf("%s\n", panes::kSources);
  for (const auto& s : doc->sources) {
    std::printf("  %lld %s%s\n", static_cast<long long>(s.n), panes::sourceLabel(s).c_str(),
                panes::sourceEnabled(s) ? "" : "  (no address)");
  }
  return 0;
}

// Adds the sample library (resources/samples/library.json) to the user's, saved up to now.
int sampleFill(const Args& args) {
  const Options o(args, {}, {}, 1);
  std::ifstream in(o.plain()[0], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", o.plain()[0].c_str());
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto store = std::make_shared<NotesStore>(NotesStore::defaultURL(), OrvakPaths::research());
  sample::fillLibrary(*store, text, Date::now());
  std::printf("added to %s\n", NotesStore::defaultURL().c_str());
  return 0;
}

int marks(const Args& args) {
  const Options o(args, {}, {}, 1);
  std::printf("%s\n", panes::markedPlain(o.plain()[0]).c_str());
  return 0;
}

}  // namespace

int runLibrary(const Args& args) {
  if (args.empty()) throw UsageError(kUsage);
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "highlights") return highlights(rest);
  if (args[0] == "search") return search(rest);
  if (args[0] == "pages") return pagesList(rest);
  if (args[0] == "page") return pageDetail(rest);
  if (args[0] == "listened") return listenedPane(rest);
  if (args[0] == "documents") return documents(rest);
  if (args[0] == "marks") return marks(rest);
  if (args[0] == "sample") return sampleFill(rest);
  if (args[0] == "ask") return ask(rest);
  if (args[0] == "stream") return stream(rest, true);
  if (args[0] == "days") return stream(rest, false);
  if (args[0] == "doc-markdown") return docMarkdown(rest);
  throw UsageError(kUsage);
}

}  // namespace orvak::dev
