// orvak-dev library: the library window's model over the user's library, without a window. A
// question goes to the service at `apiBase` (see `orvak-dev fake-service`).
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/account/account.h"
#include "app/library/library_model.h"
#include "core/base/dispatch.h"
#include "core/base/paths.h"
#include "core/text/text.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

constexpr const char* kUsage =
    "library ask QUESTION [--about DOCKEY] [--document] | stream [--filter all|words|week] | "
    "days [--filter all|words|week] | doc-markdown ID";

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

std::string oneLine(std::string_view s, int maxChars) {
  std::string out(text::graphemePrefix(s, maxChars));
  for (char& c : out) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  if (text::graphemeCount(s) > maxChars) out += "\u2026";
  return out;
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
  constexpr double kWait = 70;
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

}  // namespace

int runLibrary(const Args& args) {
  if (args.empty()) throw UsageError(kUsage);
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "ask") return ask(rest);
  if (args[0] == "stream") return stream(rest, true);
  if (args[0] == "days") return stream(rest, false);
  if (args[0] == "doc-markdown") return docMarkdown(rest);
  throw UsageError(kUsage);
}

}  // namespace orvak::dev
