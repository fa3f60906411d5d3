// Stand-ins for the parts the controller needs before they are built: each writes what it was
// asked as a log line and keeps just enough state to answer.
#pragma once

#include "app/controller/seams.h"

namespace orvak {

class StandInWindows final : public Windows {
 public:
  void showOnboarding() override;
  void showMain(MainModel::Page page) override;
  void showNotes(const std::optional<std::string>& key) override;
  bool libraryInFront() const override { return false; }
  bool hasVisibleWindows() const override { return visible_; }
  void reloadModels() override;
  void askLibrary(const std::string& question) override;

 private:
  bool visible_ = false;
};

class StandInMenuBar final : public MenuBar {
 public:
  void refresh() override;
};

}  // namespace orvak
