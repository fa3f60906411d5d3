#include "app/controller/stand_ins.h"

#include <string>

#include "core/base/log.h"

namespace orvak {

void StandInWindows::showOnboarding() {
  visible_ = true;
  Log::write("windows: onboarding");
}

void StandInWindows::showMain(MainModel::Page page) {
  visible_ = true;
  Log::write("windows: main (" + std::string(MainModel::raw(page)) + ")");
}

void StandInWindows::showNotes(const std::optional<std::string>& key) {
  visible_ = true;
  Log::write("windows: notes" + (key ? " (" + *key + ")" : std::string()));
}

void StandInWindows::reloadModels() { Log::write("windows: reload"); }

void StandInWindows::askLibrary(const std::string&) {
  // The question is the user's words: like page text, it stays out of the log.
  Log::write("windows: ask library");
}

void StandInMenuBar::refresh() { Log::write("menu: refresh"); }

}  // namespace orvak
