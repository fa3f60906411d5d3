// The main window's content offscreen: the sidebar kept current, clicks on it, and the detail for
// each page, with and without the notes database.
#include "app/views/main/main_view.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <memory>

#include "app/views/library/library_view.h"
#include "app/views/library/notes_unavailable_view.h"
#include "app/views/look/controls.h"
#include "app/views/look/scroll_bars.h"
#include "app/views/settings/fitted_text.h"
#include "app/views/settings/help_page.h"
#include "app/views/settings/rows.h"
#include "app/views/settings/settings_pane.h"
#include "app/views/settings/voice_tab.h"
#include "app/windows/held_windows_host.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_microphone.h"
#include "platform/sim/sim_workspace.h"
#include "tests/support/temp_home.h"
#include "tests/views/look_test.h"

using namespace orvak;
using namespace orvak::views;
using namespace orvak::views::main;
using namespace orvak::views::settings;
using orvak::views::library::NotesUnavailableView;
using Page = MainModel::Page;

namespace {

struct MainViewHost final : HeldWindowsHost {};

struct MainViewFixture {
  dispatch::VirtualTime vt;
  MainViewHost host;
  MainModel model;
  std::shared_ptr<NotesModel> notes;
  std::shared_ptr<LibraryModel> library;
  std::shared_ptr<sim::SimDesktop> desktop;
  int setups = 0;
  std::unique_ptr<MainView> view;

  explicit MainViewFixture(bool withNotes, Page page = Page::library) {
    const auto dir = test::freshDir("main-view");
    host.prefsPtr = std::make_shared<Prefs>(std::make_shared<platform::Defaults>(dir / "defaults.json"));
    desktop = sim::SimDesktop::fromJson(json::parse(R"({"trusted": true, "applications": []})"));
    host.permsPtr = Permissions::make(desktop, std::make_shared<sim::SimMicrophone>(platform::MicAccess::granted));
    host.workspacePtr = std::make_shared<sim::SimWorkspace>(desktop);
    host.testerPtr = HotkeyTester::make(host.workspacePtr);
    if (withNotes) {
      host.store = std::make_shared<NotesStore>(dir / "notes.sqlite", std::nullopt);
      notes = NotesModel::make(host.store, {host.center, nullptr, nullptr, nullptr, nullptr});
      library = LibraryModel::make(notes, {host.center, nullptr, nullptr, nullptr});
    }
    model.setPage(page);
    MainView::Parts parts{&model, &host, notes, library, [this] { ++setups; }, {}};
    view = std::make_unique<MainView>(parts);
    view->resize(1120, 720);
    view->show();
  }
  ~MainViewFixture() {
    view.reset();
    vt.drain();
  }
  const sidebar::Item& highlights() const { return view->sidebar()->content().sections[0].items[0]; }
};

// The widgets of one of our classes inside `w`. findChildren cannot tell them apart: a class
// without Q_OBJECT shares QWidget's meta-object, so every child would match.
template <class T>
std::vector<T*> widgetsOf(const QWidget* w) {
  std::vector<T*> out;
  for (QWidget* child : w->findChildren<QWidget*>()) {
    if (auto* t = dynamic_cast<T*>(child)) out.push_back(t);
  }
  return out;
}

ResearchItem savedHighlight(const char* quote) {
  ResearchItem it;
  it.ts = Date{1773494813};
  it.quote = quote;
  it.app = "Firefox";
  it.windowTitle = "Maps";
  it.url = "https://example.org/maps";
  return it;
}

}  // namespace

TEST(MainViewTest, TheCountFollowsASaveAndTheHintTheHotkey) {
  MainViewFixture f(true);
  EXPECT_FALSE(f.highlights().count) << "nothing saved: no count";
  f.host.store->insert(savedHighlight("Maps were drawn to be argued with."));
  f.host.center->post("orvak.notesChanged");
  f.vt.drain();
  ASSERT_TRUE(f.highlights().count);
  EXPECT_EQ(f.highlights().count->text, "1");
  EXPECT_EQ(f.highlights().count->toolTip, "1 highlights and notes");
  EXPECT_EQ(f.view->sidebar()->content().hint, "Double-tap Right Shift");
  f.host.prefs().setHotkeyCode(62);
  EXPECT_EQ(f.view->sidebar()->content().hint, "Double-tap Right Control");
  EXPECT_TRUE(f.view->sidebar()->content().banner) << "onboarding not done";
  f.host.prefs().setOnboardingDone(true);
  EXPECT_FALSE(f.view->sidebar()->content().banner) << "gone with the setting";
  f.desktop->setTrusted(false);
  f.host.perms().refresh();
  ASSERT_TRUE(f.view->sidebar()->content().banner) << "back when Accessibility goes";
  EXPECT_EQ(f.view->sidebar()->content().banner->toolTip, "Orvak needs Accessibility to read windows");
}

TEST(MainViewTest, ClicksOnTheSidebarChooseThePageAndTheBannerOpensSetup) {
  MainViewFixture f(true);
  auto click = [&](const QRectF& r) { QTest::mouseClick(f.view->sidebar(), Qt::LeftButton, {}, r.center().toPoint()); };
  click(*f.view->sidebar()->itemRect(Page::pronunciation));
  EXPECT_EQ(f.model.page(), Page::pronunciation);
  EXPECT_TRUE(f.view->sidebar()->content().sections[2].items[2].selected);
  click(*f.view->sidebar()->itemRect(Page::documents));
  EXPECT_EQ(f.model.page(), Page::documents);
  auto* lib = dynamic_cast<library::LibraryView*>(f.view->detail());
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->page(), Page::documents);
  ASSERT_TRUE(f.view->sidebar()->bannerRect());
  click(*f.view->sidebar()->bannerRect());
  EXPECT_EQ(f.setups, 1);
  EXPECT_FALSE(f.view->sidebar()->itemRect(Page::keys)) << "no developer pages without the flag";
  // Each row is a named button for assistive technology, the page shown checked.
  f.vt.drain();
  QAbstractButton* voice = nullptr;
  for (QAbstractButton* b : f.view->sidebar()->rowButtons()) {
    EXPECT_EQ(b->isChecked(), b->accessibleName() == "Documents") << b->accessibleName().toStdString();
    if (b->accessibleName() == "Voice") voice = b;
  }
  ASSERT_NE(voice, nullptr);
  voice->click();
  EXPECT_EQ(f.model.page(), Page::voice);
  f.vt.drain();
  for (QAbstractButton* b : f.view->sidebar()->rowButtons()) {
    EXPECT_EQ(b->isChecked(), b->accessibleName() == "Voice") << b->accessibleName().toStdString();
  }
}

TEST(MainViewTest, AtTheSmallestWindowNothingInTheSidebarIsDrawnOverAnythingAndEveryRowCanBeReached) {
  struct Case {
    QSize size;
    bool developer, banner;
  };
  std::vector<Case> cases;
  for (const QSize size : {QSize(MainView::kMinWidth, MainView::kMinHeight), QSize(1120, 720)}) {
    for (const bool developer : {false, true}) {
      for (const bool banner : {false, true}) cases.push_back({size, developer, banner});
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.size.height()) + (c.developer ? " developer" : "") + (c.banner ? " banner" : ""));
    MainViewFixture f(true);
    f.host.prefs().d->set(Prefs::kDeveloperFlag, c.developer);
    f.host.prefs().setOnboardingDone(!c.banner);
    f.view->resize(c.size);
    f.view->relayout();
    f.vt.drain();
    SidebarView& bar = *f.view->sidebar();
    ASSERT_EQ(bar.height(), c.size.height());
    ASSERT_EQ(bar.bannerRect().has_value(), c.banner);
    EXPECT_EQ(bar.itemRect(Page::keys).has_value(), c.developer);
    const QRectF list = bar.listView();
    const QRectF all(QPointF(0, 0), QSizeF(bar.size()));

    // What is drawn below the list: inside the sidebar, apart from each other and from the list.
    std::vector<QRectF> below;
    if (bar.bannerRect()) below.push_back(*bar.bannerRect());
    if (bar.hintRect()) below.push_back(*bar.hintRect());
    for (std::size_t i = 0; i < below.size(); ++i) {
      EXPECT_TRUE(all.contains(below[i]));
      EXPECT_FALSE(below[i].intersects(list));
      for (std::size_t j = i + 1; j < below.size(); ++j) EXPECT_FALSE(below[i].intersects(below[j]));
    }
    if (c.size.height() > MainView::kMinHeight) {
      EXPECT_TRUE(bar.hintRect()) << "room for the hint in a taller window";
      EXPECT_EQ(bar.bannerRect() ? bar.bannerRect()->height() : 28, 28);
    }

    // The list: the mark, labels and rows one under the other, drawn only inside the list's view.
    std::vector<QRectF> drawn{bar.nameRect()};
    for (const QRectF& r : bar.labelRects()) drawn.push_back(r);
    for (const auto& s : bar.content().sections) {
      for (const auto& item : s.items) drawn.push_back(*bar.itemRect(item.page));
    }
    std::sort(drawn.begin(), drawn.end(), [](const QRectF& a, const QRectF& b) { return a.top() < b.top(); });
    for (std::size_t i = 1; i < drawn.size(); ++i) EXPECT_GE(drawn[i].top(), drawn[i - 1].bottom()) << i;
    // Nothing but the banner's own button answers a click on the banner or the hint.
    for (const QRectF& r : below) {
      for (const QPointF at : {r.center(), r.topLeft() + QPointF(2, 2), r.bottomRight() - QPointF(2, 2)}) {
        QWidget* under = bar.childAt(at.toPoint());
        EXPECT_TRUE(under == nullptr || under == bar.bannerButton()) << at.x() << "," << at.y();
      }
    }
    // A click on the banner opens setup and chooses no page.
    if (c.banner) {
      const Page before = f.model.page();
      const QPoint at = bar.bannerRect()->center().toPoint();
      QWidget* under = bar.childAt(at);
      EXPECT_EQ(under, bar.bannerButton()) << "no row's button lies over the banner";
      if (under) {
        QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(&bar, at));
      } else {
        QTest::mouseClick(&bar, Qt::LeftButton, {}, at);
      }
      EXPECT_EQ(f.setups, 1);
      EXPECT_EQ(f.model.page(), before);
    }
    // Every row comes into view when the keyboard reaches it, the last one too.
    f.view->window()->activateWindow();
    QApplication::setActiveWindow(f.view.get());
    for (QAbstractButton* b : bar.rowButtons()) {
      b->setFocus(Qt::TabFocusReason);
      EXPECT_TRUE(b->isVisible()) << b->text().toStdString();
      EXPECT_EQ(QRectF(b->geometry()).height(), 32) << b->text().toStdString() << ": the whole row shows";
      EXPECT_TRUE(list.contains(QRectF(b->geometry()))) << b->text().toStdString();
    }
    bar.scrollBy(-10000);
    EXPECT_EQ(bar.scrollOffset(), 0);
    bar.scrollBy(10000);
    const QRectF help = *bar.itemRect(Page::help);
    EXPECT_TRUE(list.contains(help)) << "scrolled to the end, the last row shows";
  }
}

TEST(MainViewTest, TheSidebarsScrollBarShowsOnlyWhenTheListDoesNotFitAndScrollsIt) {
  struct Case {
    QSize size;
    bool developer;
  };
  for (const Case c : {Case{QSize(MainView::kMinWidth, MainView::kMinHeight), true},
                       Case{QSize(MainView::kMinWidth, MainView::kMinHeight), false}, Case{QSize(1120, 720), false},
                       Case{QSize(1120, 900), true}}) {
    SCOPED_TRACE(std::to_string(c.size.height()) + (c.developer ? " developer" : ""));
    MainViewFixture f(true);
    f.host.prefs().d->set(Prefs::kDeveloperFlag, c.developer);
    f.view->resize(c.size);
    f.view->relayout();
    f.vt.drain();
    SidebarView& bar = *f.view->sidebar();
    QScrollBar& scroll = *bar.scrollBar();
    const QRectF list = bar.listView();
    const QRectF last = *bar.itemRect(Page::help);
    const bool fits = last.bottom() <= list.bottom();
    EXPECT_EQ(scroll.isVisibleTo(&bar), !fits);
    if (fits) continue;
    // Over the sidebar's trailing edge, beside the rows rather than on them.
    EXPECT_LE(QRectF(scroll.geometry()).right(), SidebarView::kWidth);
    EXPECT_GE(scroll.geometry().left(), bar.itemRect(Page::library)->right());
    EXPECT_TRUE(list.contains(QRectF(scroll.geometry())));
    EXPECT_NEAR(scroll.maximum(), last.bottom() - list.bottom(), 1);
    scroll.setValue(scroll.maximum());
    EXPECT_TRUE(list.contains(*bar.itemRect(Page::help))) << "the bar's end shows the last row";
    bar.scrollBy(-10000);
    EXPECT_EQ(scroll.value(), 0) << "and the bar follows the list";
  }
}

TEST(MainViewTest, InTheDarkLookARuleSetsTheSidebarOffThePage) {
  look::KeptLook kept;
  look::setAppearance(look::Appearance::dark);
  MainViewFixture f(true, Page::general);
  const QImage img = f.view->grab().toImage();
  // Above the mark, where the sidebar and the page are bare: the sidebar's last column, and a
  // little way into each side.
  const int edge = SidebarView::kWidth - 1, y = 20;
  const QColor rule = img.pixelColor(edge, y), sidebar = img.pixelColor(edge - 6, y);
  const QColor page = img.pixelColor(edge + 7, y);
  ASSERT_LT(test::contrast(sidebar, page), 1.2) << "two near-blacks, which is why the rule is there";
  EXPECT_GE(test::contrast(rule, sidebar), 1.25);
  EXPECT_GE(test::contrast(rule, page), 1.25);
}

TEST(MainViewTest, TheSetupBannerIsAButtonForTheKeyboardAndAssistiveTechnology) {
  MainViewFixture f(true);
  QAbstractButton* banner = f.view->sidebar()->bannerButton();
  ASSERT_TRUE(f.view->sidebar()->bannerRect());
  EXPECT_TRUE(banner->isVisible());
  EXPECT_EQ(banner->accessibleName(), "Finish setup");
  EXPECT_FALSE(banner->accessibleDescription().isEmpty()) << "the banner's tool tip says why";
  EXPECT_EQ(QRectF(banner->geometry()), f.view->sidebar()->bannerRect()->toAlignedRect());
  EXPECT_NE(banner->focusPolicy() & Qt::TabFocus, 0);
  QApplication::setActiveWindow(f.view.get());
  f.view->sidebar()->rowButtons().back()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), banner) << "Tab goes from the last row to the banner";
  QTest::keyClick(banner, Qt::Key_Space);
  EXPECT_EQ(f.setups, 1);
  QTest::keyClick(banner, Qt::Key_Return);
  EXPECT_EQ(f.setups, 2);
  for (QAbstractButton* b : f.view->sidebar()->rowButtons()) {
    if (b->text() == "Voice") QTest::keyClick(b, Qt::Key_Return);
  }
  EXPECT_EQ(f.model.page(), Page::voice) << "Enter chooses a row too";
  f.host.prefs().setOnboardingDone(true);
  EXPECT_FALSE(banner->isVisible()) << "gone with the banner";
}

TEST(MainViewTest, WithoutTheNotesDatabaseTheLibraryPagesSaySoAndSettingsStillShow) {
  MainViewFixture f(false);
  for (const Page p : {Page::library, Page::pages, Page::listened, Page::documents}) {
    f.model.setPage(p);
    EXPECT_NE(dynamic_cast<NotesUnavailableView*>(f.view->detail()), nullptr) << MainModel::raw(p);
  }
  EXPECT_FALSE(f.highlights().count);
  for (const Page p : {Page::account, Page::general, Page::voice, Page::pronunciation, Page::help}) {
    f.model.setPage(p);
    ASSERT_NE(f.view->detail(), nullptr);
    EXPECT_EQ(dynamic_cast<NotesUnavailableView*>(f.view->detail()), nullptr) << MainModel::raw(p);
  }
  EXPECT_FALSE(widgetsOf<settings::HelpPage>(f.view->detail()).empty()) << "help shows the help page";
}

TEST(MainViewTest, AddAnAppOpensOneChooserModalToTheWindowAndStoresTheChosenApps) {
  MainViewFixture f(true, Page::general);
  auto* pane = dynamic_cast<SettingsPane*>(f.view->detail());
  ASSERT_NE(pane, nullptr);
  auto choosers = [] {
    std::vector<QFileDialog*> out;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) out.push_back(d);
    }
    return out;
  };
  pane->addAppButton()->click();
  ASSERT_EQ(choosers().size(), 1u);
  QFileDialog* chooser = choosers().front();
  EXPECT_EQ(chooser->windowTitle().toStdString(), "Orvak won't read these apps, even when you press the key.");
  EXPECT_EQ(chooser->labelText(QFileDialog::Accept).toStdString(), "Never Read");
  EXPECT_EQ(chooser->fileMode(), QFileDialog::ExistingFiles);
  EXPECT_EQ(chooser->directory().absolutePath().toStdString(), "/usr/share/applications");
  EXPECT_EQ(chooser->nameFilters(), QStringList{"Applications (*.desktop)"});
  EXPECT_EQ(chooser->windowModality(), Qt::WindowModal);
  EXPECT_EQ(chooser->parentWidget(), f.view.get()) << "modal to the main window";
  pane->addAppButton()->click();
  EXPECT_EQ(choosers().size(), 1u) << "a second click opens no second chooser";

  // Two entries chosen, one of them twice over: each is stored once, in order.
  const auto dir = test::freshDir("chooser");
  for (const char* name : {"org.gnome.Evince.desktop", "firefox-esr.desktop"}) {
    std::ofstream(dir / name) << "[Desktop Entry]\nName=" << name << "\n";
  }
  chooser->setDirectory(QString::fromStdString(dir.string()));
  chooser->selectFile("\"org.gnome.Evince.desktop\" \"firefox-esr.desktop\"");
  static_cast<QDialog*>(chooser)->accept();
  f.vt.drain();
  EXPECT_EQ(f.host.prefs().neverReadApps(), (std::vector<std::string>{"org.gnome.Evince", "firefox-esr"}));
  QApplication::processEvents();
  EXPECT_TRUE(choosers().empty());
  // Once closed, the button opens a chooser again; a cancel stores nothing.
  pane = dynamic_cast<SettingsPane*>(f.view->detail());
  pane->addAppButton()->click();
  ASSERT_EQ(choosers().size(), 1u);
  choosers().front()->reject();
  f.vt.drain();
  EXPECT_EQ(f.host.prefs().neverReadApps().size(), 2u);
}

TEST(MainViewTest, EveryCaptionShowsWholeAtTheSmallestAndTheDefaultWidth) {
  struct Case {
    Page page;
    QSize size;
  };
  const QSize smallest(MainView::kMinWidth, MainView::kMinHeight), standard(1120, 720);
  for (const Case& c : {Case{Page::voice, smallest}, Case{Page::voice, standard}, Case{Page::general, smallest},
                        Case{Page::general, standard}}) {
    SCOPED_TRACE(std::string(MainModel::raw(c.page)) + " at " + std::to_string(c.size.width()));
    MainViewFixture f(true);
    // The on-device voice: its row carries the longest caption of the Voice page.
    f.host.prefs().setVendor(Vendor::onDevice);
    f.model.setPage(c.page);
    f.view->resize(c.size);
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    if (c.page == Page::voice) {
      const auto tabs = widgetsOf<settings::VoiceTab>(f.view->detail());
      ASSERT_EQ(tabs.size(), 1u);
      settings::VoiceTab* tab = tabs.front();
      ASSERT_NE(tab->voiceRow(), nullptr);
      ASSERT_NE(tab->voiceRow()->caption(), nullptr);
      EXPECT_EQ(tab->voiceRow()->caption()->text().toStdString(), VoicePageModel::kOnDeviceCaption);
    }
    auto* pane = dynamic_cast<SettingsPane*>(f.view->detail());
    ASSERT_NE(pane, nullptr);
    const auto captions = widgetsOf<settings::ClampedText>(pane);
    ASSERT_FALSE(captions.empty());
    for (settings::ClampedText* caption : captions) {
      if (!caption->isVisible()) continue;
      SCOPED_TRACE(caption->text().toStdString());
      const QStringList lines = caption->lines(caption->width());
      EXPECT_GE(caption->height(), caption->heightForWidth(caption->width())) << lines.join(" / ").toStdString();
      // Lines join with a space, or with nothing after a hyphen they broke at ("espeak-" / "ng").
      QString joined;
      for (const QString& line : lines) {
        if (!joined.isEmpty() && !joined.endsWith('-')) joined += ' ';
        joined += line;
      }
      EXPECT_EQ(joined, caption->text().simplified()) << "every word on a line of its own width";
      // Nor does anything around it cut it off, up to the scrolled page.
      for (QWidget* outer = caption->parentWidget(); outer; outer = outer->parentWidget()) {
        const QRect inside(caption->mapTo(outer, QPoint(0, 0)), caption->size());
        EXPECT_TRUE(outer->rect().contains(inside)) << "cut by " << outer->metaObject()->className();
        if (outer == pane->widget()) break;
      }
    }
  }
}

TEST(MainViewTest, HidingTheViewEndsAHotkeyTest) {
  MainViewFixture f(true, Page::general);
  f.host.tester().arm();
  f.view->hide();
  EXPECT_FALSE(f.host.tester().armed());
  EXPECT_FALSE(f.host.tester().detector().isArmed());
}
