#include "app/controller/stand_ins.h"

#include <string>

#include "core/base/log.h"

namespace orvak {

void StandInWindows::showOnboarding() {
  visible_ = true;
  Log::write("windows: onboarding");
}

void StandInWindows::showMain(MainPage::Page page) {
  visible_ = true;
  Log::write("windows: main (" + std::string(MainPage::raw(page)) + ")");
}

void StandInWindows::reloadModels() { Log::write("windows: reload"); }

void StandInMenuBar::refresh() { Log::write("menu: refresh"); }

}  // namespace orvak
