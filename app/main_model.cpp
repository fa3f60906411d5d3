#include "app/main_model.h"

#include <vector>

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
  // An observer may remove itself (or another) while hearing the change.
  std::vector<std::uint64_t> tokens;
  for (const auto& [token, _] : observers_) tokens.push_back(token);
  for (auto token : tokens) {
    const auto it = observers_.find(token);
    if (it != observers_.end()) {
      auto observer = it->second;
      observer(page);
    }
  }
}

std::uint64_t MainModel::addObserver(std::function<void(Page)> observer) {
  const auto token = nextObserver_++;
  observers_.emplace(token, std::move(observer));
  return token;
}

void MainModel::removeObserver(std::uint64_t token) { observers_.erase(token); }

}  // namespace orvak
