// orvak-dev notes export / open: the library window's notes model driven from the command line,
// with the save dialog answered by the given file and the desktop reached through xdg-open.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/library/notes_model.h"
#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "platform/process.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

namespace {

// The save dialog, answered at once with the file named on the command line.
struct ChosenFile final : platform::SaveChooser {
  explicit ChosenFile(std::filesystem::path file) : file(std::move(file)) {}
  void chooseSaveFile(const platform::SaveRequest& request, Done done) override {
    std::fprintf(stderr, "suggested name: %s\n", request.suggestedName.c_str());
    dispatch::main().async([done = std::move(done), f = file] { done(f); });
  }
  std::filesystem::path file;
};

struct PrintReveal final : platform::FileReveal {
  void reveal(const std::filesystem::path& file) override { std::printf("wrote %s\n", file.c_str()); }
};

// Addresses go to xdg-open; no backend lists running applications yet, so names fall through to
// the installed applications.
struct XdgOpenWorkspace final : platform::Workspace {
  std::optional<platform::RunningApplication> frontmostApplication() override { return std::nullopt; }
  pid_t ownPid() override { return ::getpid(); }
  std::vector<platform::WindowInfo> onScreenWindows() override { return {}; }
  std::optional<std::uint64_t> addActivationObserver(ActivationHandler) override { return std::nullopt; }
  void removeActivationObserver(std::uint64_t) override {}
  bool openUrl(const std::string& address) override {
    const auto r = platform::runProcess({"xdg-open", address}, std::nullopt, 10);
    return r && r->status == 0;
  }
};

std::shared_ptr<NotesModel> userModel(NotesModel::Services services) {
  auto store = std::make_shared<NotesStore>(NotesStore::defaultURL(), OrvakPaths::research());
  return NotesModel::make(std::move(store), std::move(services));
}

}  // namespace

int notesExport(const Args& args) {
  // notes export [DOCKEY] OUT.md
  if (args.size() != 2 && args.size() != 3) return 2;
  const std::filesystem::path out = args.back();
  bool failed = false;
  NotesModel::Services services;
  services.chooser = std::make_shared<ChosenFile>(out);
  services.reveal = std::make_shared<PrintReveal>();
  const auto model = userModel(services);
  std::optional<DocumentSummary> page;
  if (args.size() == 3) {
    for (const auto& d : model->docs()) {
      if (d.key == args[1]) page = d;
    }
    if (!page) {
      std::fprintf(stderr, "no saved page has the key %s\n", args[1].c_str());
      return 1;
    }
  }
  model->addObserver([&](NotesModel::Member m) {
    if (m == NotesModel::Member::toast && model->toast()) failed = model->toast()->text == "Export failed";
  });
  model->exportMarkdown(page);
  dispatch::mainloop::drain();
  Log::flush();
  if (failed) std::fprintf(stderr, "export failed (see %s)\n", Log::url().c_str());
  return failed ? 1 : 0;
}

int notesOpen(const Args& args) {
  // notes open ITEM_ID
  if (args.size() != 2) return 2;
  std::int64_t id = 0;
  try {
    id = std::stoll(args[1]);
  } catch (const std::exception&) {
    return 2;
  }
  NotesModel::Services services;
  services.opener = std::make_shared<SourceOpener>(std::make_shared<XdgOpenWorkspace>(), [](const std::vector<std::string>& argv) {
    return platform::runProcess(argv, std::nullopt, 10);
  });
  const auto model = userModel(services);
  const auto stored = model->store().item(id);
  if (!stored) {
    std::fprintf(stderr, "no saved item #%lld\n", static_cast<long long>(id));
    return 1;
  }
  const std::optional<std::string> quote =
      stored->item.quote.empty() ? std::nullopt : std::optional<std::string>(stored->item.quote);
  const auto opened = model->openSource(stored->item.url, stored->item.app, quote);
  if (!opened) {
    std::printf("nothing\n");
    return 0;
  }
  const char* kind = opened->kind == OpenedSource::Kind::address      ? "address"
                     : opened->kind == OpenedSource::Kind::runningApp ? "application"
                                                                      : "desktop entry";
  std::printf("%s %s\n", kind, opened->what.c_str());
  return 0;
}

}  // namespace orvak::dev
