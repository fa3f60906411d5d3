// The main window's sidebar as data, and the reactions that keep the hotkey test and the
// developer pages consistent with the page shown. Qt-free; the main view draws and calls them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/hotkey/hotkey_tester.h"
#include "app/main_model.h"
#include "app/prefs.h"

namespace orvak::sidebar {

struct Count {
  std::string text;     // the number in decimal
  std::string toolTip;  // "N highlights and notes"
  bool operator==(const Count&) const = default;
};

struct Item {
  MainModel::Page page;
  std::string title;
  std::string symbol;
  bool selected = false;
  std::optional<Count> count;  // the highlights' row only
  bool operator==(const Item&) const = default;
};

struct Section {
  std::string label;  // upper-cased
  std::vector<Item> items;
  bool operator==(const Section&) const = default;
};

struct Banner {
  std::string text = "Finish setup";
  std::string toolTip;
  bool operator==(const Banner&) const = default;
};

struct Layout {
  std::vector<Section> sections;
  std::optional<Banner> banner;
  std::string hintLabel = "TO READ";
  std::string hint;  // "Double-tap " + the key's name
};

// What the sidebar is laid out from.
struct Facts {
  MainModel::Page page = MainModel::Page::library;
  bool developer = false;
  std::optional<std::int64_t> total;  // saved items; none without the notes database
  bool accessibility = false;
  bool onboardingDone = false;
  std::uint16_t hotkeyCode = 60;
};

// None below 1.
std::optional<Count> count(std::int64_t total);
// None when Accessibility is granted and onboarding is done.
std::optional<Banner> banner(bool accessibility, bool onboardingDone);
Layout layout(const Facts& facts);

// The main view's three reactions. Main queue only.
class Reactions {
 public:
  Reactions(MainModel& model, Prefs& prefs, HotkeyTester& tester);
  ~Reactions();
  Reactions(const Reactions&) = delete;
  Reactions& operator=(const Reactions&) = delete;

  // The view is laid out again: a developer flag that went from on to off takes a developer page
  // back to General.
  void relayout();
  // The view went off screen: the hotkey test stops as when leaving General.
  void disappeared();

 private:
  void pageChanged(MainModel::Page now);

  MainModel& model_;
  Prefs& prefs_;
  HotkeyTester& tester_;
  MainModel::Page last_;
  bool developer_;
  std::uint64_t observer_ = 0;
};

}  // namespace orvak::sidebar
