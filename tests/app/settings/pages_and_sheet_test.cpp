// The main window's page table, the cheat sheet's rows and the help page's texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_model.h"
#include "app/settings/cheat_sheet.h"
#include "app/settings/help_text.h"

using namespace orvak;
using P = MainModel::Page;

namespace {

struct PageCase {
  P page;
  const char* raw;
  const char* title;
  const char* symbol;
  const char* headline;
  const char* emphasis;  // null: none
  bool library;
  bool developer;
};

TEST(MainModelPages, TableInSidebarOrder) {
  const std::vector<PageCase> cases{
      {P::library, "library", "Highlights", "highlighter", "Library", nullptr, true, false},
      {P::pages, "pages", "Pages", "doc.text", "Library", nullptr, true, false},
      {P::listened, "listened", "Listened", "clock", "Library", nullptr, true, false},
      {P::documents, "documents", "Documents", "doc.richtext", "Library", nullptr, true, false},
      {P::account, "account", "Account", "person.crop.circle", "Your", "account.", false, false},
      {P::general, "general", "General", "gearshape", "General", nullptr, false, false},
      {P::voice, "voice", "Voice", "waveform", "The", "voice.", false, false},
      {P::pronunciation, "pronunciation", "Pronunciation", "character.bubble", "Say it", "right.", false, false},
      {P::keys, "keys", "Keys", "key", "Voice service", "keys.", false, true},
      {P::advanced, "advanced", "Advanced", "wrench.and.screwdriver", "Advanced", nullptr, false, true},
      {P::help, "help", "Help & Shortcuts", "questionmark.circle", "Everything you can", "say.", false, false},
  };
  ASSERT_EQ(MainModel::allPages().size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.raw);
    EXPECT_EQ(MainModel::allPages()[i], c.page);
    const auto& info = MainModel::info(c.page);
    EXPECT_EQ(info.raw, c.raw);
    EXPECT_EQ(info.title, c.title);
    EXPECT_EQ(info.symbol, c.symbol);
    EXPECT_EQ(info.headline.text, c.headline);
    if (c.emphasis) {
      EXPECT_EQ(info.headline.emphasis, std::string_view(c.emphasis));
    } else {
      EXPECT_FALSE(info.headline.emphasis.has_value());
    }
    EXPECT_EQ(info.isLibrary, c.library);
    EXPECT_EQ(info.developerOnly, c.developer);
    EXPECT_EQ(MainModel::page(c.raw), c.page) << "every raw name gives its page back";
  }
}

TEST(MainModelPages, OnlyTheExactRawNameGivesAPage) {
  EXPECT_EQ(MainModel::page("help"), P::help);
  for (const char* name : {"Help", "", "help ", "Help & Shortcuts", "HELP"}) {
    EXPECT_FALSE(MainModel::page(name).has_value()) << '"' << name << '"';
  }
}

TEST(MainModelPages, ChangesReachObserversOnce) {
  MainModel model;
  EXPECT_EQ(model.page(), P::library);
  std::vector<P> heard;
  const auto token = model.addObserver([&](P p) { heard.push_back(p); });
  model.setPage(P::voice);
  model.setPage(P::voice);  // already in front
  model.removeObserver(token);
  model.setPage(P::help);
  EXPECT_EQ(heard, std::vector<P>{P::voice});
  EXPECT_EQ(model.page(), P::help);
}

std::size_t rowCount(const std::vector<CheatSheet::Group>& groups) {
  std::size_t n = 0;
  for (const auto& g : groups) n += g.rows.size();
  return n;
}

TEST(CheatSheetRows, FullAndCompactForms) {
  const auto full = CheatSheet::shown("Right Shift", false);
  ASSERT_EQ(full.size(), 4u);
  std::vector<std::size_t> sizes;
  std::vector<std::string> titles;
  for (const auto& g : full) {
    sizes.push_back(g.rows.size());
    titles.push_back(g.title);
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{6, 4, 4, 4}));
  EXPECT_EQ(titles, (std::vector<std::string>{"Reading", "Moving around", "Saving", "Asking"}));
  EXPECT_EQ(rowCount(full), 18u);

  const auto compact = CheatSheet::shown("Right Shift", true);
  EXPECT_EQ(rowCount(compact), 8u);
  // Each group keeps its title and its first two rows, in order.
  ASSERT_EQ(compact.size(), full.size());
  for (std::size_t i = 0; i < full.size(); ++i) {
    EXPECT_EQ(compact[i].title, full[i].title);
    EXPECT_EQ(compact[i].rows, std::vector(full[i].rows.begin(), full[i].rows.begin() + 2));
  }
  EXPECT_EQ(compact[1].rows[0].phrase, "“skip ahead” · “go back”");
  EXPECT_EQ(compact[3].rows[1].phrase, "“summarize this”");
}

TEST(CheatSheetRows, TheKeyNameGoesIntoTheFirstTwoPhrasesOnly) {
  const auto shift = CheatSheet::groups(CheatSheet::keyName(60));
  EXPECT_EQ(shift[0].rows[0].phrase, "Double-tap Right Shift");
  EXPECT_EQ(shift[0].rows[1].phrase, "Hold Right Shift");
  const auto alt = CheatSheet::groups(CheatSheet::keyName(61));
  EXPECT_EQ(alt[0].rows[0].phrase, "Double-tap Right Alt");
  EXPECT_EQ(alt[0].rows[1].phrase, "Hold Right Alt");
  // Everything else stays as it was.
  auto a = alt, s = shift;
  a[0].rows.erase(a[0].rows.begin(), a[0].rows.begin() + 2);
  s[0].rows.erase(s[0].rows.begin(), s[0].rows.begin() + 2);
  EXPECT_EQ(a, s);
  // An unknown code names the default key.
  EXPECT_EQ(CheatSheet::keyName(12345), "Right Shift");
}

TEST(HelpTexts, IntroductionNamesTheKey) {
  const std::string intro = HelpText::introduction(CheatSheet::keyName(60));
  const auto firstSentenceEnd = intro.find(". Hold the same key");
  ASSERT_NE(firstSentenceEnd, std::string::npos);
  EXPECT_EQ(intro.substr(0, firstSentenceEnd), "Click into any article, email or PDF and double-tap Right Shift");
}

TEST(HelpTexts, VersionLabelIsDevUnlessTheBundleHasText) {
  using platform::DefaultsValue;
  const std::vector<std::pair<DefaultsValue, std::string>> cases{
      {DefaultsValue{std::string("1.4.2")}, "Orvak 1.4.2"},
      {DefaultsValue{}, "Orvak dev"},
      {DefaultsValue{std::int64_t{3}}, "Orvak dev"},
      {DefaultsValue{true}, "Orvak dev"},
  };
  for (const auto& [value, label] : cases) EXPECT_EQ(HelpText::versionLabel(value), label);
}

}  // namespace
