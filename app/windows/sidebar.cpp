#include "app/windows/sidebar.h"

#include "app/hotkey/modifier_tap.h"

namespace orvak::sidebar {

namespace {

using Page = MainModel::Page;

Item item(Page page, const Facts& f) {
  const auto& info = MainModel::info(page);
  Item i{page, std::string(info.title), std::string(info.symbol), page == f.page, std::nullopt};
  if (page == Page::library && f.total) i.count = count(*f.total);
  return i;
}

}  // namespace

std::optional<Count> count(std::int64_t total) {
  if (total < 1) return std::nullopt;
  const std::string n = std::to_string(total);
  return Count{n, n + " highlights and notes"};
}

std::optional<Banner> banner(bool accessibility, bool onboardingDone) {
  if (accessibility && onboardingDone) return std::nullopt;
  Banner b;
  b.toolTip = accessibility ? "Finish setting up Orvak" : "Orvak needs Accessibility to read windows";
  return b;
}

Layout layout(const Facts& f) {
  Layout l;
  Section library{"LIBRARY", {}};
  for (Page p : {Page::library, Page::pages, Page::listened, Page::documents}) library.items.push_back(item(p, f));
  Section you{"YOU", {item(Page::account, f)}};
  Section settings{"SETTINGS", {}};
  for (Page p : {Page::general, Page::voice, Page::pronunciation, Page::keys, Page::advanced}) {
    if (MainModel::info(p).developerOnly && !f.developer) continue;
    settings.items.push_back(item(p, f));
  }
  Section help{"HELP", {item(Page::help, f)}};
  l.sections = {library, you, settings, help};
  l.banner = banner(f.accessibility, f.onboardingDone);
  l.hint = "Double-tap " + ModifierTap::Choice::with(f.hotkeyCode).name;
  return l;
}

Reactions::Reactions(MainModel& model, Prefs& prefs, HotkeyTester& tester)
    : model_(model),
      prefs_(prefs),
      tester_(tester),
      last_(model.page()),
      developer_(prefs.d->flag(Prefs::kDeveloperFlag)) {
  observer_ = model_.addObserver([this](Page now) { pageChanged(now); });
}

Reactions::~Reactions() { model_.removeObserver(observer_); }

void Reactions::pageChanged(Page now) {
  const Page previous = last_;
  last_ = now;
  // Leaving General ends its hotkey test: the clash detector stops watching other windows, and a
  // test still waiting goes back to idle (a finished one keeps its verdict).
  if (previous == Page::general && now != Page::general) tester_.disarm();
}

void Reactions::relayout() {
  const bool developer = prefs_.d->flag(Prefs::kDeveloperFlag);
  const bool turnedOff = developer_ && !developer;
  developer_ = developer;
  if (turnedOff && MainModel::info(model_.page()).developerOnly) model_.setPage(Page::general);
}

void Reactions::disappeared() { tester_.disarm(); }

}  // namespace orvak::sidebar
