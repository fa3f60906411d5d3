#include "app/main_model.h"


namespace orvak {
namespace {

using P = MainModel::Page;

constexpr std::array<MainModel::PageInfo, MainModel::kPageCount> kPages{{
    {"library", "Highlights", "highlighter", {"Library", std::nullopt}, true, false},
    {"pages", "Pages", "doc.text", {"Library", std::nullopt}, true, false},
    {"listened", "Listened", "clock", {"Library", std::nullopt}, true, false},
    {"documents", "Documents", "doc.richtext", {"Library", std::nullopt}, true, false},
    {"account", "Account", "person.crop.circle", {"Your", "account."}, false, false},
    {"general", "General", "gearshape", {"General", std::nullopt}, false, false},
    {"voice", "Voice", "waveform", {"The", "voice."}, false, false},
    {"pronunciation", "Pronunciation", "character.bubble", {"Say it", "right."}, false, false},
    {"keys", "Keys", "key", {"Voice service", "keys."}, false, true},
    {"advanced", "Advanced", "wrench.and.screwdriver", {"Advanced", std::nullopt}, false, true},
    {"help", "Help & Shortcuts", "questionmark.circle", {"Everything you can", "say."}, false, false},
}};

}  // namespace

const std::array<MainModel::Page, MainModel::kPageCount>& MainModel::allPages() {
  static constexpr std::array<Page, kPageCount> all{P::library, P::pages,    P::listened, P::documents,
                                                    P::account, P::general,  P::voice,    P::pronunciation,
                                                    P::keys,    P::advanced, P::help};
  return all;
}

const MainModel::PageInfo& MainModel::info(Page page) { return kPages[static_cast<std::size_t>(page)]; }

std::optional<MainModel::Page> MainModel::page(std::string_view raw) {
  for (Page p : allPages()) {
    if (info(p).raw == raw) return p;
  }
  return std::nullopt;
}

void MainModel::setPage(Page page) {
  if (page == page_) return;
  page_ = page;
  observers_.notify(page);
}

std::uint64_t MainModel::addObserver(std::function<void(Page)> observer) {
  return observers_.add(std::move(observer));
}

void MainModel::removeObserver(std::uint64_t token) { observers_.remove(token); }

}  // namespace orvak
