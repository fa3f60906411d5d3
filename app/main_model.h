// The main window's page model: which of its eleven pages is in front. The window manager makes
// the one model and keeps it; the sidebar, the settings pane's heading and the developer channel
// read and change it. Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "core/base/observers.h"

namespace orvak {

class MainModel {
 public:
  // The pages in the order of the sidebar.
  enum class Page { library, pages, listened, documents, account, general, voice, pronunciation, keys, advanced, help };

  // The big heading the settings pane shows above a page: a text and an optional emphasised tail.
  struct Headline {
    std::string_view text;
    std::optional<std::string_view> emphasis;
    bool operator==(const Headline&) const = default;
  };

  struct PageInfo {
    std::string_view raw;     // the page's identity, also its name on the developer channel
    std::string_view title;   // the sidebar label
    std::string_view symbol;  // a name in the shared look's symbol set
    Headline headline;
    bool isLibrary;
    bool developerOnly;  // shown only with the developer flag
  };

  static constexpr std::size_t kPageCount = 11;
  static const std::array<Page, kPageCount>& allPages();
  static const PageInfo& info(Page page);
  static std::string_view raw(Page page) { return info(page).raw; }
  // The page whose raw name is exactly `raw` (case counts); nothing for any other text.
  static std::optional<Page> page(std::string_view raw);

  Page page() const { return page_; }
  // Switches the page and tells the observers; setting the page in front tells nobody.
  void setPage(Page page);

  // Observers hear of every change of page; `addObserver` returns a token for `removeObserver`.
  std::uint64_t addObserver(std::function<void(Page)> observer);
  void removeObserver(std::uint64_t token);

 private:
  Page page_ = Page::library;
  Observers<Page> observers_;
};

}  // namespace orvak
