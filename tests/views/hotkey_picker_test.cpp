// The key chooser's widgets, offscreen, over real settings and a test driven by hand.
#include "app/views/hotkey/hotkey_picker.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>

#include "app/views/look/pieces.h"
#include "tests/support/temp_home.h"
#include "tests/views/look_test.h"

namespace {

using namespace orvak;
using orvak::views::hotkey::HotkeyPicker;
using Kind = HotkeyTest::State::Kind;
using HotkeyPickerView = test::LookTest;

class FakeTest : public HotkeyTest {
 public:
  const State& state() const override { return state_; }
  void arm() override {
    ++arms;
    show({Kind::waiting, {}});
  }
  void disarm() override {}
  void show(State s) {
    state_ = std::move(s);
    notifyObservers();
  }
  int arms = 0;

 private:
  State state_;
};

struct HotkeyPickerFixture {
  Prefs prefs{std::make_shared<platform::Defaults>(test::freshDir("picker") / "defaults.json")};
  FakeTest test;
  int stores = 0;
  HotkeyPickerFixture() {
    prefs.addObserver([this](Prefs::Setting s) { stores += s == Prefs::Setting::hotkeyCode; });
  }
};

// The look's pieces carry no meta-object of their own, so they are told apart by their C++ type.
template <typename W>
int count(QWidget* parent) {
  int n = 0;
  for (QWidget* w : parent->findChildren<QWidget*>()) n += dynamic_cast<W*>(w) != nullptr;
  return n;
}

TEST_F(HotkeyPickerView, TheRowFollowsTheTestState) {
  HotkeyPickerFixture f;
  HotkeyPicker picker(f.prefs, f.test, false);
  EXPECT_EQ(picker.rowText(), "Test It");

  f.test.show({Kind::waiting, {}});
  EXPECT_EQ(picker.rowText(), QString::fromUtf8("Now double-tap Right Shift…"));
  EXPECT_EQ(count<look::KeyCap>(picker.testRow()), 1);

  f.test.show({Kind::checking, {}});
  EXPECT_EQ(picker.rowText(), QString::fromUtf8("Checking whether another app reacted…"));
  EXPECT_EQ(count<look::KeyCap>(picker.testRow()), 0) << "the previous state's pieces are gone";
  EXPECT_EQ(count<look::Spinner>(picker.testRow()), 1);

  f.test.show({Kind::ok, {}});
  EXPECT_EQ(picker.rowText(), "It works, and nothing else reacted. | Again");
  EXPECT_EQ(count<look::StatusDot>(picker.testRow()), 1);

  f.test.show({Kind::clash, {"Alpha", "Beta"}});
  EXPECT_EQ(picker.rowText(),
            "Orvak got it, but Alpha, Beta reacted too. Pick another key or change that app's shortcut. | Again");
  EXPECT_EQ(count<look::Squiggle>(picker.testRow()), 1);

  // "Again" arms from inside its own click, which takes its button away.
  picker.rowButton()->click();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(f.test.arms, 1);
  EXPECT_EQ(f.stores, 0);
  EXPECT_EQ(picker.rowText(), QString::fromUtf8("Now double-tap Right Shift…"));

  f.prefs.setHotkeyCode(62);
  EXPECT_EQ(picker.rowText(), QString::fromUtf8("Now double-tap Right Control…")) << "the text names the new key";
}

TEST_F(HotkeyPickerView, ACardSelectsItsKeyOnce) {
  HotkeyPickerFixture f;
  HotkeyPicker picker(f.prefs, f.test, false);
  ASSERT_EQ(picker.cards().size(), 6u);
  EXPECT_EQ(picker.cards()[1]->title(), "Right Alt, twice") << "Right Alt shares the first row with Right Shift";
  std::vector<bool> selected;
  for (auto* card : picker.cards()) selected.push_back(card->selected());
  EXPECT_EQ(selected, (std::vector<bool>{true, false, false, false, false, false}));

  picker.cards()[3]->click();
  EXPECT_EQ(f.stores, 1);
  EXPECT_EQ(f.test.arms, 1);
  EXPECT_EQ(f.prefs.hotkeyCode(), 62);
  EXPECT_FALSE(picker.cards()[0]->selected());
  EXPECT_TRUE(picker.cards()[3]->selected());

  f.prefs.setHotkeyCode(63);
  for (auto* card : picker.cards()) EXPECT_FALSE(card->selected()) << card->title().toStdString();
}

TEST_F(HotkeyPickerView, AMenuItemSelectsItsKeyOnceAndAnUnknownKeyShowsNoItem) {
  HotkeyPickerFixture f;
  f.prefs.setHotkeyCode(63);
  f.stores = 0;
  HotkeyPicker picker(f.prefs, f.test, true);
  ASSERT_NE(picker.menu(), nullptr);
  EXPECT_TRUE(picker.cards().empty());
  EXPECT_EQ(picker.menu()->currentIndex(), -1);
  EXPECT_EQ(picker.menu()->count(), 6);
  EXPECT_EQ(picker.menu()->itemText(0), "Right Shift double-tap");

  emit picker.menu()->activated(4);
  EXPECT_EQ(f.stores, 1);
  EXPECT_EQ(f.test.arms, 1);
  EXPECT_EQ(f.prefs.hotkeyCode(), 59);
  EXPECT_EQ(picker.menu()->currentIndex(), 4);
}

}  // namespace

#include <QTest>

#include "app/views/look/appearance.h"

namespace {

TEST_F(HotkeyPickerView, AStateChangingAgainWhileTheRowEasesInLeavesItPlain) {
  look::setReducedMotion(false);
  HotkeyPickerFixture f;
  HotkeyPicker picker(f.prefs, f.test, true);
  picker.setAttribute(Qt::WA_DontShowOnScreen);
  picker.show();
  f.test.show({Kind::waiting, {}});
  EXPECT_NE(picker.testRow()->graphicsEffect(), nullptr) << "easing in";
  f.test.show({Kind::checking, {}});  // replaces the running fade
  EXPECT_TRUE(QTest::qWaitFor([&] { return picker.testRow()->graphicsEffect() == nullptr; }, 5000));
  EXPECT_EQ(picker.rowText(), QString::fromUtf8("Checking whether another app reacted…"));
}

}  // namespace

namespace {

// At the width the first-run window gives its pages (a scroll bar's room less), every card's
// caption is whole on its one line: a caption ending in "…" hides what the key clashes with.
TEST_F(HotkeyPickerView, EveryCaptionFitsItsCardAtTheFirstRunWidth) {
  HotkeyPickerFixture f;
  HotkeyPicker picker(f.prefs, f.test, false);
  picker.setAttribute(Qt::WA_DontShowOnScreen);
  picker.resize(419, picker.sizeHint().height());
  picker.show();
  for (auto* card : picker.cards()) {
    QLabel* caption = nullptr;
    for (auto* label : card->findChildren<QLabel*>()) {
      if (label->text() == card->caption()) caption = label;
    }
    ASSERT_NE(caption, nullptr) << card->title().toStdString();
    EXPECT_LE(caption->fontMetrics().horizontalAdvance(caption->text()), caption->contentsRect().width())
        << caption->text().toStdString();
  }
}

}  // namespace
