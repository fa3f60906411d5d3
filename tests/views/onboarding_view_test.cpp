// The first-run window's widgets, offscreen, over a host that records what it was asked.
#include "app/views/onboarding/onboarding_view.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QParallelAnimationGroup>
#include <QTest>

#include "app/views/hotkey/hotkey_picker.h"
#include "tests/app/onboarding/fake_onboarding_host.h"

namespace {

using namespace orvak;
using orvak::test::FakeOnboardingHost;
using orvak::views::onboarding::OnboardingView;
using Mic = OnboardingHost::Mic;

QStringList footerLabels(const OnboardingView& view) {
  QStringList labels;
  for (auto* b : view.footerButtons()) labels << b->text() + (b->isEnabled() ? "" : " (off)");
  return labels;
}

// Every text the page shows, in order.
QString pageText(const OnboardingView& view) {
  QStringList texts;
  for (auto* label : view.page()->findChildren<QLabel*>()) {
    if (!label->text().isEmpty() && label->isVisibleTo(view.page())) texts << label->text();
  }
  return texts.join(" | ");
}

QAbstractButton* pageButton(const OnboardingView& view, const QString& text) {
  for (auto* b : view.page()->findChildren<QAbstractButton*>()) {
    if (b->text() == text) return b;
  }
  return nullptr;
}

TEST(OnboardingView, TheFooterFollowsTheStepAndItsButtonsMoveTheFlow) {
  FakeOnboardingHost host;
  auto flow = OnboardingFlow::make(host);
  OnboardingView view(flow);
  EXPECT_EQ(footerLabels(view), QStringList{"Get Started"});
  QTest::keyClick(&view, Qt::Key_Return);
  EXPECT_EQ(flow->step(), 1);
  EXPECT_EQ(footerLabels(view), (QStringList{"Back", "Continue (off)"}));
  QTest::keyClick(&view, Qt::Key_Return);
  EXPECT_EQ(flow->step(), 1) << "Return does nothing while Accessibility is missing";

  host.grant(true, Mic::denied);
  EXPECT_EQ(footerLabels(view), (QStringList{"Back", "Continue"}));
  view.footerButtons()[1]->click();
  EXPECT_EQ(flow->step(), 2);
  EXPECT_EQ(footerLabels(view), (QStringList{"Back", "Skip for Now"}));
  view.footerButtons()[0]->click();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(flow->step(), 1);
}

TEST(OnboardingView, TheAccessibilityPageWaitsWithItsButtonAndTheHintWhenItIsDue) {
  FakeOnboardingHost host;
  host.watchKey = false;
  auto flow = OnboardingFlow::make(host);
  flow->setStep(OnboardingFlow::kAccessibility);
  OnboardingView view(flow);
  EXPECT_TRUE(pageText(view).contains(QString::fromUtf8("Waiting for Accessibility…")));
  EXPECT_TRUE(pageText(view).contains("it needs an X11 session"));
  EXPECT_EQ(view.hintText(), "") << "not yet";
  ASSERT_TRUE(flow->waitingSince());

  auto* button = pageButton(view, "Turn On Accessibility");
  ASSERT_NE(button, nullptr);
  button->click();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"request ax", "poll", "settings accessibility", "poll"}));

  host.grant(true, Mic::denied);
  EXPECT_EQ(pageButton(view, "Turn On Accessibility"), nullptr) << "granted: the waiting block goes";
  EXPECT_TRUE(pageText(view).contains("Accessibility is on"));

  // Withdrawn long after the block first showed: the hint is there at once.
  FakeOnboardingHost later;
  auto flow2 = OnboardingFlow::make(later);
  flow2->waitingShown(OnboardingFlow::now() - 13);
  later.grant(true, Mic::denied);
  flow2->setStep(OnboardingFlow::kAccessibility);
  OnboardingView view2(flow2);
  EXPECT_EQ(view2.hintText(), "");
  later.grant(false, Mic::denied);
  EXPECT_TRUE(view2.hintText().startsWith("Still off?"));
}

TEST(OnboardingView, TheMicrophonePageOffersWhatTheStateAllows) {
  struct Case {
    Mic mic;
    const char* status;
    const char* button;  // "" for none
  };
  for (const Case& c : {Case{Mic::granted, "Microphone is on", ""},
                        Case{Mic::notAsked, "Microphone not allowed yet", "Allow Microphone"},
                        Case{Mic::denied, "No microphone Orvak can use", "Open Sound Settings"}}) {
    FakeOnboardingHost host;
    host.grant(false, c.mic);
    auto flow = OnboardingFlow::make(host);
    flow->setStep(OnboardingFlow::kMicrophone);
    OnboardingView view(flow);
    EXPECT_TRUE(pageText(view).contains(c.status)) << c.status;
    EXPECT_EQ(pageButton(view, "Allow Microphone") != nullptr, std::string(c.button) == "Allow Microphone");
    EXPECT_EQ(pageButton(view, "Open Sound Settings") != nullptr, std::string(c.button) == "Open Sound Settings");
  }
}

TEST(OnboardingView, TheKeyStepHoldsTheCardsAndTheRailNamesEveryStep) {
  FakeOnboardingHost host;
  auto flow = OnboardingFlow::make(host);
  flow->setStep(OnboardingFlow::kHotkey);
  OnboardingView view(flow);
  const auto pickers = view.page()->findChildren<QWidget*>();
  int cards = 0;
  for (auto* w : pickers) {
    if (auto* p = dynamic_cast<views::hotkey::HotkeyPicker*>(w)) cards = int(p->cards().size());
  }
  EXPECT_EQ(cards, 6);
  QStringList rail;
  for (auto* label : view.rail()->findChildren<QLabel*>()) rail << label->text();
  EXPECT_EQ(rail,
            (QStringList{"Orvak", "WELCOME", "ACCESSIBILITY", "MICROPHONE", "VOICE", "YOUR KEY", "TRY IT", "READY"}));
}

}  // namespace

#include <QAccessible>

namespace {

// Every name and value in the widget's accessibility tree, as a capture of the window would see
// them.
void collect(QAccessibleInterface* node, QStringList& out, int depth = 0) {
  if (!node || depth > 60) return;
  for (auto t : {QAccessible::Name, QAccessible::Value}) {
    const QString s = node->text(t);
    if (!s.isEmpty()) out << s;
  }
  for (int i = 0; i < node->childCount(); ++i) collect(node->child(i), out, depth + 1);
}

QString accessibleText(QWidget& w) {
  QStringList out;
  collect(QAccessible::queryAccessibleInterface(&w), out);
  return out.join(" | ");
}

TEST(OnboardingView, OnTheTryItStepTheWindowOffersOnlyTheSampleAndTheButtons) {
  FakeOnboardingHost host;
  host.grant(true, Mic::granted);
  auto flow = OnboardingFlow::make(host);
  flow->setStep(OnboardingFlow::kHotkey);
  OnboardingView view(flow);
  const QString onKeyStep = accessibleText(view);
  EXPECT_TRUE(onKeyStep.contains("YOUR KEY")) << "the rail is there on other steps";
  EXPECT_TRUE(onKeyStep.contains("Pick your key.")) << onKeyStep.toStdString();

  flow->setStep(OnboardingFlow::kTryIt);
  view.settle();
  const QString onTryIt = accessibleText(view);
  EXPECT_TRUE(onTryIt.contains("Sample page"));
  EXPECT_TRUE(onTryIt.contains("Orvak reads what is in front of you, out loud.")) << onTryIt.toStdString();
  EXPECT_TRUE(onTryIt.contains("Read It to Me"));
  for (const char* absent :
       {"TRY IT", "WELCOME", "Try it now.", "Double-tap Right Shift, or click", "Orvak saves the sentence for you."}) {
    EXPECT_FALSE(onTryIt.contains(absent)) << absent;
  }

  flow->setStep(OnboardingFlow::kReady);
  view.settle();
  EXPECT_TRUE(accessibleText(view).contains("READY")) << "the rail comes back";
}

}  // namespace

#include "app/views/look/controls.h"
#include "app/views/onboarding/onboarding_pages.h"
#include "tests/vendor_servers/memory_keychain.h"

namespace {

TEST(OnboardingView, VoiceCardsChooseOnlyAReadyVoiceAndTheLoginSwitchStoresItsSetting) {
  test::useMemoryKeychain({});
  FakeOnboardingHost host;
  host.prefs().setVendor(Vendor::onDevice);
  auto flow = OnboardingFlow::make(host);
  flow->setStep(OnboardingFlow::kVoice);
  OnboardingView view(flow);
  std::vector<views::onboarding::VoiceCardButton*> cards;
  for (auto* w : view.page()->findChildren<QWidget*>()) {
    if (auto* c = dynamic_cast<views::onboarding::VoiceCardButton*>(w)) cards.push_back(c);
  }
  ASSERT_EQ(cards.size(), 2u);
  EXPECT_EQ(cards[0]->card().vendor, Vendor::inworld);
  EXPECT_FALSE(cards[0]->hearButton()->isEnabled());
  cards[0]->click();
  EXPECT_EQ(host.prefs().vendor(), Vendor::onDevice);

  // The natural voice chosen elsewhere without its key: the ring stays on the voice that reads.
  QWidget* page = view.page();
  host.prefs().setVendor(Vendor::inworld);
  EXPECT_EQ(view.page(), page);
  EXPECT_FALSE(cards[0]->card().selected);
  EXPECT_TRUE(cards[1]->card().selected);
  host.prefs().setVendor(Vendor::onDevice);
  cards[1]->hearButton()->click();
  ASSERT_EQ(host.triggers.size(), 1u);
  EXPECT_EQ(host.triggers[0].vendor, Vendor::onDevice);

  // With its key stored, a choice made while the page shows moves the ring in place.
  {
    test::useMemoryKeychain({{"inworld", "test-key-123456"}});
    FakeOnboardingHost keyed;
    keyed.prefs().setVendor(Vendor::onDevice);
    auto keyedFlow = OnboardingFlow::make(keyed);
    keyedFlow->setStep(OnboardingFlow::kVoice);
    OnboardingView keyedView(keyedFlow);
    keyedView.setAttribute(Qt::WA_DontShowOnScreen);
    keyedView.show();
    keyedView.settle();
    std::vector<views::onboarding::VoiceCardButton*> both;
    for (auto* w : keyedView.page()->findChildren<QWidget*>()) {
      if (auto* c = dynamic_cast<views::onboarding::VoiceCardButton*>(w)) both.push_back(c);
    }
    ASSERT_EQ(both.size(), 2u);
    QWidget* keyedPage = keyedView.page();
    keyed.prefs().setVendor(Vendor::inworld);
    EXPECT_EQ(keyedView.page(), keyedPage);
    EXPECT_TRUE(both[0]->card().selected);
    EXPECT_FALSE(both[1]->card().selected);
    EXPECT_EQ(both[0]->geometry().top(), both[1]->geometry().top()) << "the cards line up";
    EXPECT_EQ(both[0]->height(), both[1]->height());
    test::useMemoryKeychain({});
  }

  flow->setStep(OnboardingFlow::kReady);
  look::OrbitSwitch* toggle = nullptr;
  for (auto* w : view.page()->findChildren<QWidget*>()) {
    if (auto* s = dynamic_cast<look::OrbitSwitch*>(w)) toggle = s;
  }
  ASSERT_NE(toggle, nullptr);
  EXPECT_TRUE(toggle->isChecked());
  toggle->click();
  EXPECT_FALSE(host.prefs().launchAtLogin());
  EXPECT_EQ(host.finishes, 0) << "the switch only stores the setting";
}

}  // namespace

namespace {

TEST(OnboardingView, AViewOwningItsHostLetsGoOfPagesStillWaitingToBeDeleted) {
  auto host = std::make_unique<FakeOnboardingHost>();
  auto* fake = host.get();
  int finishes = 0;
  {
    OnboardingView view(std::move(host));
    view.flow().setStep(OnboardingFlow::kHotkey);  // the key page holds on to the settings and the test
    view.flow().setStep(OnboardingFlow::kTryIt);   // the key page now waits to be deleted
    view.flow().setStep(OnboardingFlow::kReady);
    view.footerButtons().back()->click();
    finishes = fake->finishes;
  }  // the host goes with the view; nothing may reach it afterwards (ASan watches)
  EXPECT_EQ(finishes, 1);
}

}  // namespace

namespace {

template <typename W>
W* findIn(QWidget* parent) {
  for (auto* w : parent->findChildren<QWidget*>()) {
    if (auto* found = dynamic_cast<W*>(w)) return found;
  }
  return nullptr;
}

// A change the page's own controls already show leaves the page in place (so they ease, and a
// scrolled page keeps its place); a change of what the page says builds it anew.
TEST(OnboardingView, APageStaysWhileItsOwnControlsFollowAChange) {
  FakeOnboardingHost host;
  auto flow = OnboardingFlow::make(host);
  flow->setStep(OnboardingFlow::kHotkey);
  OnboardingView view(flow);
  QWidget* page = view.page();
  auto* picker = findIn<views::hotkey::HotkeyPicker>(page);
  ASSERT_NE(picker, nullptr);
  picker->cards()[3]->click();
  EXPECT_EQ(host.prefs().hotkeyCode(), 62);
  EXPECT_EQ(view.page(), page) << "the key step keeps its picker";
  EXPECT_TRUE(picker->cards()[3]->selected());

  flow->setStep(OnboardingFlow::kReady);
  page = view.page();
  auto* toggle = findIn<look::OrbitSwitch>(page);
  ASSERT_NE(toggle, nullptr);
  toggle->click();
  EXPECT_FALSE(host.prefs().launchAtLogin());
  EXPECT_EQ(view.page(), page) << "the closing page keeps its place";
  host.prefs().setLaunchAtLogin(true);
  EXPECT_TRUE(toggle->isChecked()) << "a change made elsewhere moves the switch";
  EXPECT_EQ(view.page(), page);

  host.prefs().setHotkeyCode(59);
  EXPECT_NE(view.page(), page) << "the prose names the new key";
  EXPECT_TRUE(pageText(view).contains("double-tap Left Control.")) << pageText(view).toStdString();
}

}  // namespace

#include <QScrollArea>
#include <QScrollBar>

namespace {

// The longest state of the Accessibility page (a Wayland session, waiting past the hint's time)
// fits the window: no scroll bar narrows its texts.
TEST(OnboardingView, TheAccessibilityPageFitsWithEveryLineItCanShow) {
  FakeOnboardingHost host;
  host.watchKey = false;
  auto flow = OnboardingFlow::make(host);
  flow->waitingShown(OnboardingFlow::now() - 20);
  flow->setStep(OnboardingFlow::kAccessibility);
  OnboardingView view(flow);
  view.setAttribute(Qt::WA_DontShowOnScreen);
  view.show();
  view.settle();
  ASSERT_TRUE(view.hintText().startsWith("Still off?"));
  auto* scroll = qobject_cast<QScrollArea*>(view.page());
  ASSERT_NE(scroll, nullptr);
  QApplication::sendPostedEvents();
  EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0)
      << "page " << scroll->widget()->height() << " in " << scroll->viewport()->height();
}

// A session that cannot watch the key: the key step says so in the test's place, with no button
// that would arm a test.
TEST(OnboardingView, TheKeyStepWithoutAWatchedKeySaysSoAndOffersNoTest) {
  FakeOnboardingHost host;
  host.watchKey = false;
  auto flow = OnboardingFlow::make(host);
  flow->setStep(OnboardingFlow::kHotkey);
  OnboardingView view(flow);
  view.setAttribute(Qt::WA_DontShowOnScreen);
  view.show();
  view.settle();
  views::hotkey::HotkeyPicker* picker = nullptr;
  // The look's widgets carry no meta-object of their own: found by their C++ type.
  for (auto* w : view.page()->findChildren<QWidget*>()) {
    if (auto* p = dynamic_cast<views::hotkey::HotkeyPicker*>(w)) picker = p;
  }
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(picker->rowText().toStdString(), HotkeyPickerModel::kUnwatchedRow);
  EXPECT_EQ(picker->rowButton(), nullptr);
  picker->cards()[1]->click();
  EXPECT_EQ(host.prefs().hotkeyCode(), picker->cards()[1]->keyCode());
  EXPECT_EQ(host.tester_.arms, 0);
}

// The closing page with its longest prose (no tray, no watched key) fits the window: the login
// switch in sight above the footer, the cheat sheet scrolling inside its card instead.
TEST(OnboardingView, TheLastPageFitsWithItsSwitchInSight) {
  for (const bool longest : {false, true}) {
    FakeOnboardingHost host;
    host.watchKey = !longest;
    host.tray = !longest;
    auto flow = OnboardingFlow::make(host);
    flow->setStep(OnboardingFlow::kReady);
    OnboardingView view(flow);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    view.settle();
    QApplication::sendPostedEvents();
    auto* scroll = qobject_cast<QScrollArea*>(view.page());
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0)
        << "page " << scroll->widget()->height() << " in " << scroll->viewport()->height();
    look::OrbitSwitch* toggle = nullptr;
    for (auto* w : view.page()->findChildren<QWidget*>()) {
      if (auto* s = dynamic_cast<look::OrbitSwitch*>(w)) toggle = s;
    }
    ASSERT_NE(toggle, nullptr);
    const QRect onPage(toggle->mapTo(view.page(), QPoint(0, 0)), toggle->size());
    EXPECT_TRUE(view.page()->rect().contains(onPage)) << onPage.y() << " in " << view.page()->height();
    auto* sheet = view.page()->findChild<QScrollArea*>("cheatSheetScroll");
    ASSERT_NE(sheet, nullptr);
    const QRect sheetOnPage(sheet->mapTo(view.page(), QPoint(0, 0)), sheet->size());
    EXPECT_GT(sheetOnPage.top(), onPage.bottom()) << "the switch before the sheet";
    EXPECT_LE(sheetOnPage.bottom(), view.page()->height()) << "the sheet's card ends inside the page";
    EXPECT_GT(sheet->height(), 100) << "room for a good part of the sheet";
  }
}

}  // namespace

#include <QFontMetricsF>

namespace {

// Each checklist mark (15 x 15) sits with its middle 4 above its text's first baseline.
TEST(OnboardingView, ChecklistMarksSitOnTheFirstLine) {
  FakeOnboardingHost host;
  host.grant(true, Mic::granted);
  auto flow = OnboardingFlow::make(host);
  flow->setStep(OnboardingFlow::kTryIt);
  OnboardingView view(flow);
  view.setAttribute(Qt::WA_DontShowOnScreen);
  view.show();
  view.settle();
  int rows = 0;
  for (auto* label : view.page()->findChildren<QLabel*>()) {
    QWidget* row = label->parentWidget();
    QWidget* mark = nullptr;
    for (auto* w : row->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (w != label && w->size() == QSize(15, 15)) mark = w;
    }
    if (!mark) continue;
    ++rows;
    const double baseline = label->y() + label->contentsRect().top() + QFontMetricsF(label->font()).ascent();
    EXPECT_NEAR(mark->y() + 7.5 + 4, baseline, 1.0) << label->text().toStdString();
  }
  EXPECT_EQ(rows, 3);
}

}  // namespace

namespace {

// Qt's warnings while it lives (the handler before it is put back after).
class QtWarnings {
 public:
  QtWarnings() : previous_(qInstallMessageHandler(&QtWarnings::record)) { lines().clear(); }
  ~QtWarnings() { qInstallMessageHandler(previous_); }
  QtWarnings(const QtWarnings&) = delete;
  QtWarnings& operator=(const QtWarnings&) = delete;
  static std::vector<std::string>& lines() {
    static std::vector<std::string> seen;
    return seen;
  }

 private:
  static void record(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) lines().push_back(text.toStdString());
  }
  QtMessageHandler previous_;
};

}  // namespace

TEST(OnboardingView, EveryPageChangeDrawsWithoutAQtWarning) {
  FakeOnboardingHost host;
  host.grant(true, Mic::granted);
  auto flow = OnboardingFlow::make(host);
  OnboardingView view(flow);
  view.resize(view.sizeHint());
  view.show();
  QtWarnings warnings;
  // The change of page runs in the event loop, drawn frame by frame as the window would be.
  const auto changeTo = [&](int step) {
    flow->setStep(step);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.findChildren<QParallelAnimationGroup*>().isEmpty(); }, 5000))
        << "step " << step;
  };
  for (int step = 1; step <= OnboardingFlow::kReady; ++step) changeTo(step);
  for (int step = OnboardingFlow::kReady - 1; step >= 0; --step) changeTo(step);
  std::string all;
  for (const auto& line : QtWarnings::lines()) all += line + "\n";
  EXPECT_TRUE(QtWarnings::lines().empty()) << all;
}
