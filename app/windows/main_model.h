// Which page the main window shows. One model for the life of the window manager; the sidebar,
// the window manager and the settings pane change it, and everything showing a page follows it.
// Main queue only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "app/controller/main_page.h"

namespace orvak {

class MainModel {
 public:
  using Page = MainPage::Page;
  // Hears each change of page, with the page that was shown before.
  using Observer = std::function<void(Page previous)>;

  Page page() const { return page_; }
  // Setting the page already shown changes nothing and tells nobody.
  void setPage(Page page);

  std::uint64_t addObserver(Observer observer);
  void removeObserver(std::uint64_t token);

 private:
  Page page_ = Page::library;
  std::map<std::uint64_t, Observer> observers_;
  std::uint64_t next_ = 1;
};

}  // namespace orvak
