// The key chooser's logic over real settings (a temporary defaults file) and a test that records
// what it was asked.
#include "app/hotkey/hotkey_picker_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/hotkey/hotkey_tester.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_workspace.h"
#include "tests/support/temp_home.h"

namespace {

using namespace orvak;
using Choice = ModifierTap::Choice;
using Kind = HotkeyTest::State::Kind;
using PickerRow = HotkeyPickerModel::Row;

// Records each arming with the key stored at that moment.
class FakeTest : public HotkeyTest {
 public:
  explicit FakeTest(Prefs& prefs) : prefs_(prefs) {}
  const State& state() const override { return state_; }
  void arm() override {
    armedWithKey.push_back(prefs_.hotkeyCode());
    state_ = {Kind::waiting, {}};
    notifyObservers();
  }
  void disarm() override { ++disarms; }
  void show(State s) {
    state_ = std::move(s);
    notifyObservers();
  }
  std::vector<std::uint16_t> armedWithKey;
  int disarms = 0;

 private:
  Prefs& prefs_;
  State state_;
};

struct PickerModelFixture {
  std::shared_ptr<platform::Defaults> defaults =
      std::make_shared<platform::Defaults>(test::freshDir("picker") / "defaults.json");
  Prefs prefs{defaults};
  FakeTest test{prefs};
  HotkeyPickerModel model{prefs, test};
  std::vector<std::uint16_t> stores;  // the key each hotkey store wrote to the defaults file
  int changes = 0;

  PickerModelFixture() {
    prefs.addObserver([this](Prefs::Setting s) {
      if (s == Prefs::Setting::hotkeyCode) stores.push_back(prefs.hotkeyCode());
    });
    prefs.onChange = [this] { ++changes; };
  }
  std::optional<std::int64_t> onDisk() const { return platform::Defaults(defaults->file()).integer("hotkeyCode"); }
};

TEST(HotkeyPickerModel, SelectingStoresTheKeyThenArmsEveryTimeAndTheTestButtonsOnlyArm) {
  PickerModelFixture f;
  f.model.select(61);
  EXPECT_EQ(f.stores, (std::vector<std::uint16_t>{61}));
  EXPECT_EQ(f.onDisk(), 61);
  EXPECT_EQ(f.changes, 1) << "the controller hears of the new key";
  EXPECT_EQ(f.test.armedWithKey, (std::vector<std::uint16_t>{61})) << "armed after the key was stored";
  EXPECT_EQ(f.model.selectedIndex(), 1u);

  f.test.show({Kind::ok, {}});
  f.model.select(61);  // the key already chosen
  EXPECT_EQ(f.stores, (std::vector<std::uint16_t>{61, 61})) << "stored again with the same value";
  EXPECT_EQ(f.changes, 2);
  EXPECT_EQ(f.test.armedWithKey, (std::vector<std::uint16_t>{61, 61}));
  EXPECT_EQ(f.test.state().kind, Kind::waiting);

  f.test.show({Kind::clash, {"Alpha"}});
  f.model.test();  // "Again"
  EXPECT_EQ(f.stores.size(), 2u) << "the test buttons leave the key alone";
  EXPECT_EQ(f.changes, 2);
  EXPECT_EQ(f.test.armedWithKey.size(), 3u);
  EXPECT_EQ(f.test.disarms, 0);
}

TEST(HotkeyPickerModel, SelectingArmsTheRealTesterAfresh) {
  dispatch::VirtualTime vt;
  auto desktop = sim::SimDesktop::fromJson(
      json::parse(
          R"({"applications": [{"ref": "a", "pid": 10, "name": "Alpha", "windows": [{"frame": [0, 0, 400, 300]}]}]})"),
      "picker");
  auto tester = HotkeyTester::make(std::make_shared<sim::SimWorkspace>(desktop));
  Prefs prefs(std::make_shared<platform::Defaults>(test::freshDir("picker") / "defaults.json"));
  HotkeyPickerModel model(prefs, *tester);

  tester->arm();
  tester->firstPress(12.5);
  ASSERT_EQ(tester->firstPressAt(), 12.5);
  tester->disarm();
  ASSERT_FALSE(tester->detector().isArmed());

  model.select(54);
  EXPECT_EQ(prefs.hotkeyCode(), 54);
  EXPECT_TRUE(tester->detector().isArmed());
  EXPECT_EQ(tester->firstPressAt(), std::nullopt);
  EXPECT_EQ(tester->state().kind, Kind::waiting);
  tester->disarm();
}

TEST(HotkeyPickerModel, TextsOfEveryChoice) {
  struct Case {
    std::uint16_t code;
    const char* menu;
    const char* title;
    const char* caption;
  };
  const std::vector<Case> cases{
      {60, "Right Shift double-tap", "Right Shift, twice", "Free on most keyboards"},
      {61, "Right Alt double-tap \u2014 AltGr on many layouts", "Right Alt, twice", "AltGr on many layouts"},
      {54, "Right Super double-tap \u2014 Can open the overview", "Right Super, twice", "Can open the overview"},
      {62, "Right Control double-tap \u2014 Not on every laptop", "Right Control, twice", "Not on every laptop"},
      {59, "Left Control double-tap \u2014 Can locate the pointer", "Left Control, twice", "Can locate the pointer"},
      {58, "Left Alt double-tap \u2014 Can open app menus", "Left Alt, twice", "Can open app menus"},
  };
  ASSERT_EQ(Choice::all().size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto& c = cases[i];
    const Choice& choice = Choice::all()[i];
    SCOPED_TRACE(choice.name);
    EXPECT_EQ(choice.keyCode, c.code) << "the order both modes show";
    EXPECT_EQ(HotkeyPickerModel::menuText(choice), c.menu);
    EXPECT_EQ(HotkeyPickerModel::cardTitle(choice), c.title);
    EXPECT_EQ(HotkeyPickerModel::cardCaption(choice), c.caption);
  }
}

TEST(HotkeyPickerModel, CaptionUpperCasesItsFirstCharacterWhole) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"some apps use it", "Some apps use it"},
      {"e\u0301clair keys", "E\u0301clair keys"},  // a decomposed é stays one character
      {"\u00dfharp", "SSharp"},                    // ß upper-cases to two letters
      {"\u01c6 digraph", "\u01c4 digraph"},
      {"", ""},
  };
  for (const auto& [clash, caption] : cases) {
    EXPECT_EQ(HotkeyPickerModel::cardCaption({62, "Key", clash}), caption) << clash;
  }
}

TEST(HotkeyPickerModel, GlyphOfEveryKeyCode) {
  const std::vector<std::pair<std::uint16_t, const char*>> cases{
      {54, "\u2756"}, {55, "\u2756"}, {56, "\u21E7"}, {57, "Ctrl"}, {58, "Alt"}, {59, "Ctrl"},
      {60, "\u21E7"}, {61, "Alt"},    {62, "Ctrl"},   {63, "Ctrl"}, {0, "Ctrl"},
  };
  for (const auto& [code, glyph] : cases) EXPECT_EQ(HotkeyPickerModel::glyph(code), glyph) << code;
}

TEST(HotkeyPickerModel, TestRowByState) {
  PickerModelFixture f;
  f.prefs.setHotkeyCode(58);
  struct Case {
    HotkeyTest::State state;
    PickerRow row;
  };
  const std::vector<Case> cases{
      {{Kind::idle, {}}, {Kind::idle, std::nullopt, "", "Test It"}},
      {{Kind::waiting, {}}, {Kind::waiting, "Alt", "Now double-tap Left Alt\u2026", std::nullopt}},
      {{Kind::checking, {}},
       {Kind::checking, std::nullopt, "Checking whether another app reacted\u2026", std::nullopt}},
      {{Kind::ok, {}}, {Kind::ok, std::nullopt, "It works, and nothing else reacted.", "Again"}},
      {{Kind::clash, {"Alpha", "Beta"}},
       {Kind::clash, std::nullopt,
        "Orvak got it, but Alpha, Beta reacted too. Pick another key or change that app's shortcut.", "Again"}},
      {{Kind::clash, {"Zed"}},
       {Kind::clash, std::nullopt, "Orvak got it, but Zed reacted too. Pick another key or change that app's shortcut.",
        "Again"}},
  };
  for (const auto& c : cases) {
    f.test.show(c.state);
    EXPECT_EQ(f.model.row(), c.row) << c.row.text;
  }
}

TEST(HotkeyPickerModel, WhereTheKeyCannotBeWatchedAChoiceIsStoredAndNothingWaitsForIt) {
  PickerModelFixture f;
  HotkeyPickerModel unwatched{f.prefs, f.test, false};
  unwatched.select(61);
  unwatched.test();
  EXPECT_EQ(f.stores, (std::vector<std::uint16_t>{61}));
  EXPECT_TRUE(f.test.armedWithKey.empty()) << "a test here would wait for a tap that never comes";
  for (const auto& state : {HotkeyTest::State{Kind::idle, {}}, HotkeyTest::State{Kind::waiting, {}}}) {
    f.test.show(state);
    EXPECT_EQ(unwatched.row(), (PickerRow{Kind::idle, std::nullopt, HotkeyPickerModel::kUnwatchedRow, std::nullopt}));
  }
}

TEST(HotkeyPickerModel, AnUnknownStoredKeySelectsNothingAndIsNamedAsRightShift) {
  PickerModelFixture f;
  f.prefs.setHotkeyCode(63);
  EXPECT_EQ(f.model.selectedIndex(), std::nullopt);
  EXPECT_EQ(f.model.current().keyCode, 60);
  f.test.show({Kind::waiting, {}});
  const PickerRow row = f.model.row();
  EXPECT_EQ(row.glyph, "\u21E7");
  EXPECT_EQ(row.text, "Now double-tap Right Shift\u2026");
}

}  // namespace
