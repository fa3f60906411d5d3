// The window manager offscreen, over a host double: the settings, permissions and hotkey tester
// are the real ones on a simulated desktop, the notes database a temporary file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/views/main/main_view.h"
#include "app/views/windows/qt_windows.h"
#include "app/windows/held_windows_host.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/activation.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_microphone.h"
#include "platform/sim/sim_workspace.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/temp_home.h"
#include "tests/views/look_test.h"

using namespace orvak;
using views::windows::QtWindows;
using Page = MainModel::Page;
using Policy = platform::activation::Policy;

namespace {

using Trace = std::shared_ptr<std::vector<std::string>>;

struct TracingHost final : HeldWindowsHost {
  Trace trace;

  void refreshMenu() override { trace->push_back("menu: refresh"); }
  void readText(const std::string& text) override { trace->push_back("read: " + text); }
};

// A window manager as the application makes it, its settings put into effect on the trace.
struct WindowsFixture {
  dispatch::VirtualTime vt;
  Trace trace = std::make_shared<std::vector<std::string>>();
  TracingHost* host = nullptr;
  std::shared_ptr<Prefs> prefs;
  std::shared_ptr<HotkeyTester> tester;
  std::unique_ptr<QtWindows> windows;

  explicit WindowsFixture(bool withNotes = true, bool developer = false) {
    auto h = std::make_unique<TracingHost>();
    host = h.get();
    h->trace = trace;
    const auto dir = test::freshDir("windows");
    prefs = std::make_shared<Prefs>(std::make_shared<platform::Defaults>(dir / "defaults.json"));
    if (developer) prefs->d->set(Prefs::kDeveloperFlag, true);
    auto desktop = sim::SimDesktop::fromJson(json::parse(R"({"trusted": true, "applications": []})"));
    h->prefsPtr = prefs;
    h->permsPtr = Permissions::make(desktop, std::make_shared<sim::SimMicrophone>(platform::MicAccess::notAsked));
    h->workspacePtr = std::make_shared<sim::SimWorkspace>(desktop);
    tester = HotkeyTester::make(h->workspacePtr);
    h->testerPtr = tester;
    if (withNotes) h->store = std::make_shared<NotesStore>(dir / "notes.sqlite", std::nullopt);
    QtWindows::Hooks hooks;
    hooks.applyLook = [t = trace](std::string_view v) { t->push_back("look: " + std::string(v)); };
    hooks.applyLoginItem = [t = trace](bool on) { t->push_back(on ? "login: on" : "login: off"); };
    windows = std::make_unique<QtWindows>(std::move(h), QtWindows::Roots{}, hooks);
    platform::activation::setPolicy(Policy::accessory);
  }
  ~WindowsFixture() {
    windows.reset();
    vt.drain();
  }
};

}  // namespace

TEST(WindowsTest, ShowMainBuildsOnceAndTurnsDeveloperPagesIntoGeneralWithoutTheFlag) {
  struct Case {
    Page asked;
    bool developer;
    Page shown;
  };
  const Case cases[] = {
      {Page::keys, false, Page::general},     {Page::advanced, false, Page::general},  {Page::keys, true, Page::keys},
      {Page::advanced, true, Page::advanced}, {Page::listened, false, Page::listened}, {Page::help, false, Page::help},
  };
  for (const auto& c : cases) {
    WindowsFixture f(true, c.developer);
    f.windows->showMain(c.asked);
    EXPECT_EQ(f.windows->mainModel().page(), c.shown) << MainModel::raw(c.asked) << " developer " << c.developer;
    EXPECT_EQ(platform::activation::policy(), Policy::regular);
    ASSERT_TRUE(f.windows->mainWindow()->isVisible());
  }
  {
    WindowsFixture f(false);
    f.windows->showMain(Page::library);
    EXPECT_EQ(f.windows->notesModel(), nullptr) << "no models without a notes database";
    EXPECT_EQ(f.windows->libraryModel(), nullptr);
    f.windows->showNotes("https://example.org/a");
    EXPECT_EQ(f.windows->mainModel().page(), Page::pages);
  }
  WindowsFixture f;
  f.windows->showMain(Page::library);
  QMainWindow* window = f.windows->mainWindow();
  const auto notes = f.windows->notesModel();
  const auto library = f.windows->libraryModel();
  ASSERT_NE(notes, nullptr);
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(window->centralWidget()->minimumSize(), QSize(900, 560));
  window->close();
  f.windows->showMain(Page::voice);
  EXPECT_EQ(f.windows->mainWindow(), window) << "the same window, kept when closed";
  EXPECT_EQ(f.windows->notesModel(), notes);
  EXPECT_EQ(f.windows->libraryModel(), library);
  EXPECT_TRUE(window->isVisible());
  f.windows->showOnboarding();
  QWidget* onboarding = f.windows->onboardingWindow();
  onboarding->close();
  f.windows->showOnboarding();
  EXPECT_EQ(f.windows->onboardingWindow(), onboarding);
  EXPECT_EQ(onboarding->size(), QSize(700, 520));
  EXPECT_EQ(onboarding->windowTitle().toStdString(), "Welcome to Orvak");
  EXPECT_TRUE(f.host->perms().isPolling()) << "showing onboarding polls the permissions";
}

TEST(WindowsTest, TheLibraryModelsReadThroughTheHostAndMoveTheWindowsPage) {
  WindowsFixture f;
  f.prefs->setHistoryKeepDays(30);
  f.windows->showMain(Page::library);
  f.windows->notesModel()->read("Your highlights.");
  EXPECT_EQ(f.trace->back(), "read: Your highlights.");
  f.windows->libraryModel()->show("documents");
  EXPECT_EQ(f.windows->mainModel().page(), Page::documents);
  EXPECT_EQ(f.windows->libraryModel()->keepDays(), 30);
}

TEST(WindowsTest, ShowNotesOpensThePagesListOnAPageOrTheHighlights) {
  WindowsFixture f;
  f.windows->showNotes("https://example.org/rivers");
  EXPECT_EQ(f.windows->mainModel().page(), Page::pages);
  EXPECT_EQ(f.windows->notesModel()->selected(), "https://example.org/rivers");
  EXPECT_TRUE(f.windows->libraryModel()->openPage());
  f.windows->showMain(Page::voice);
  f.windows->showNotes(std::nullopt);
  EXPECT_EQ(f.windows->mainModel().page(), Page::library);
}

TEST(WindowsTest, TheLibraryIsInFrontOnlyOnALibraryPageOfTheActiveMainWindow) {
  WindowsFixture f;
  EXPECT_FALSE(f.windows->libraryInFront()) << "no window yet";
  f.windows->showMain(Page::listened);
  QApplication::setActiveWindow(f.windows->mainWindow());
  EXPECT_TRUE(f.windows->libraryInFront());
  for (const Page settings : {Page::general, Page::help, Page::account}) {
    f.windows->mainModel().setPage(settings);
    EXPECT_FALSE(f.windows->libraryInFront()) << MainModel::raw(settings);
  }
  f.windows->mainModel().setPage(Page::documents);
  EXPECT_TRUE(f.windows->libraryInFront());
  f.windows->showOnboarding();
  QApplication::setActiveWindow(f.windows->onboardingWindow());
  EXPECT_FALSE(f.windows->libraryInFront()) << "the main window is not the active one";
}

TEST(WindowsTest, ClosingTheMainWindowLeavesTheTaskBarOnTheNextTurnUnlessTheSettingKeepsIt) {
  for (const bool keep : {false, true}) {
    WindowsFixture f;
    f.prefs->setShowInDock(keep);
    f.windows->showMain(Page::library);
    f.windows->notesModel()->setEditing(7);
    f.tester->arm();
    ASSERT_TRUE(f.tester->armed());
    f.windows->mainWindow()->close();
    EXPECT_EQ(f.windows->notesModel()->editing(), std::nullopt) << "the note editor closes";
    EXPECT_FALSE(f.tester->armed()) << "a hotkey test stops with the window";
    EXPECT_EQ(platform::activation::policy(), Policy::regular) << "not before the next turn";
    f.vt.drain();
    EXPECT_EQ(platform::activation::policy(), keep ? Policy::regular : Policy::accessory) << "showInDock " << keep;
    EXPECT_FALSE(f.windows->hasVisibleWindows());
  }
  WindowsFixture f;
  f.windows->showMain(Page::library);
  f.windows->showOnboarding();
  f.windows->onboardingWindow()->close();
  f.vt.drain();
  EXPECT_EQ(platform::activation::policy(), Policy::regular) << "closing onboarding changes nothing";
  EXPECT_TRUE(f.windows->hasVisibleWindows());
}

TEST(WindowsTest, FinishingOnboardingRunsItsStepsInOrderEvenWhenTheWindowManagerIsGone) {
  for (const bool login : {true, false}) {
    WindowsFixture f;
    f.prefs->setLaunchAtLogin(login);
    f.prefs->addObserver([t = f.trace](Prefs::Setting s) {
      if (s == Prefs::Setting::onboardingDone) t->push_back("prefs: onboarding done");
    });
    f.tester->onChange = [t = f.trace, tester = f.tester.get()] {
      if (tester->state().kind == HotkeyTester::State::Kind::idle) t->push_back("tester: idle");
    };
    f.tester->arm();
    f.windows->showOnboarding();
    f.trace->clear();
    QtWindows::finishAction(f.windows.get(),
                            [t = f.trace](bool on) { t->push_back(on ? "login: on" : "login: off"); })();
    EXPECT_EQ(*f.trace, (std::vector<std::string>{"prefs: onboarding done", "tester: idle", "menu: refresh",
                                                  login ? "login: on" : "login: off"}));
    EXPECT_TRUE(f.prefs->onboardingDone());
    EXPECT_FALSE(f.windows->onboardingWindow()->isVisible());
  }
  WindowsFixture f;
  f.prefs->setLaunchAtLogin(false);
  auto gone = std::make_shared<std::vector<std::string>>();
  const auto finish = QtWindows::finishAction(f.windows.get(), [gone](bool on) { gone->push_back(on ? "on" : "off"); });
  f.windows.reset();
  f.trace->clear();
  finish();
  EXPECT_EQ(*gone, std::vector<std::string>{"on"}) << "the login item is applied as on";
  EXPECT_TRUE(f.trace->empty());
  EXPECT_FALSE(f.prefs->onboardingDone());
}

TEST(WindowsTest, TheAppearanceGoesOutAtOnceAndOnEachChangeTheLoginItemOnlyOnChanges) {
  WindowsFixture f;
  EXPECT_EQ(*f.trace, std::vector<std::string>{"look: light"});
  f.prefs->setAppearance("dark");
  f.prefs->setAppearance("dark");
  f.prefs->setLaunchAtLogin(true);  // the current value
  f.prefs->setLaunchAtLogin(false);
  f.prefs->setLaunchAtLogin(false);
  f.prefs->setAppearance("system");
  EXPECT_EQ(*f.trace, (std::vector<std::string>{"look: light", "look: dark", "login: off", "look: system"}));
  f.windows.reset();
  f.prefs->setAppearance("light");
  EXPECT_EQ(f.trace->back(), "look: system") << "a window manager gone no longer listens";
}

// The desktop's announcements, made by the test.
struct FakeDesktopLook final : views::windows::DesktopLook {};

class WindowsLookTest : public test::LookTest {};

TEST_F(WindowsLookTest, UnderMatchSystemTheLookFollowsEachChangeTheDesktopAnnouncesAndOnlyThen) {
  using look::Appearance;
  struct Case {
    const char* setting;
    Appearance announced;
    Appearance look;
  };
  const Case cases[] = {
      {"system", Appearance::dark, Appearance::dark},   {"system", Appearance::light, Appearance::light},
      {"system", Appearance::other, Appearance::other}, {"light", Appearance::dark, Appearance::light},
      {"dark", Appearance::light, Appearance::dark},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.setting) + " " + std::to_string(static_cast<int>(c.announced)));
    dispatch::VirtualTime vt;
    auto host = std::make_unique<HeldWindowsHost>();
    const auto dir = test::freshDir("windows-look");
    host->prefsPtr = std::make_shared<Prefs>(std::make_shared<platform::Defaults>(dir / "defaults.json"));
    Prefs& prefs = *host->prefsPtr;
    prefs.setAppearance(c.setting);
    FakeDesktopLook* desktop = nullptr;
    QtWindows::Hooks hooks;
    hooks.applyLoginItem = [](bool) {};
    hooks.desktopLook = [&desktop] {
      auto d = std::make_unique<FakeDesktopLook>();
      desktop = d.get();
      return d;
    };
    auto windows = std::make_unique<QtWindows>(std::move(host), QtWindows::Roots{}, hooks);
    ASSERT_NE(desktop, nullptr);
    ASSERT_TRUE(desktop->onChange) << "the window manager listens";
    // Two announcements in a row: each one counts, whatever the desktop said at start.
    const Appearance opposite = c.announced == Appearance::dark ? Appearance::light : Appearance::dark;
    desktop->onChange(opposite);
    EXPECT_EQ(look::appearance(), std::string(c.setting) == "system" ? opposite : c.look);
    desktop->onChange(c.announced);
    EXPECT_EQ(look::appearance(), c.look);
    // Switched to Match System later, the look is what the desktop announced last.
    prefs.setAppearance("system");
    EXPECT_EQ(look::appearance(), c.announced);
    const bool darkPalette = QApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
    if (c.announced != Appearance::other) {
      EXPECT_EQ(darkPalette, c.announced == Appearance::dark);
    }
    windows.reset();
    vt.drain();
  }
}

QAction* menuItem(QMainWindow& window, const QString& title) {
  for (QAction* top : window.menuBar()->actions()) {
    for (QAction* a : top->menu()->actions()) {
      if (a->text() == title) return a;
    }
  }
  return nullptr;
}

TEST(WindowsTest, EditUndoTakesBackTypingInAFieldElseADeletionLongAfterItsToast) {
  WindowsFixture f;
  f.windows->showMain(Page::library);
  QMainWindow& window = *f.windows->mainWindow();
  QApplication::setActiveWindow(&window);
  NotesStore& store = *f.host->store;
  store.insert(test::item(1773494813, "Maps were drawn to be argued with."));
  const StoredItem saved = store.recentItems(1).at(0);
  const views::main::MainView* view = f.windows->mainView();
  ASSERT_NE(view, nullptr);
  f.windows->notesModel()->remove(saved, view->undoManager());
  f.vt.advance(NotesModel::kUndoToastSeconds + 1);
  ASSERT_FALSE(f.windows->notesModel()->toast()) << "the toast and its Undo button are gone";
  ASSERT_EQ(store.count(), 0);
  QAction* undo = menuItem(window, "Undo");
  ASSERT_NE(undo, nullptr);

  auto* field = window.findChild<QLineEdit*>();
  ASSERT_NE(field, nullptr) << "the library's search field";
  field->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), field);
  QTest::keyClicks(field, "maps");
  f.vt.drain();
  undo->trigger();
  EXPECT_EQ(field->text(), "") << "the typing is taken back first";
  EXPECT_EQ(store.count(), 0);

  undo->trigger();  // the field has nothing left to undo
  EXPECT_EQ(store.count(), 1) << "the deleted highlight is back";
  field->clearFocus();
  undo->trigger();
  EXPECT_EQ(store.count(), 1) << "an empty history changes nothing";

  f.windows->notesModel()->remove(store.recentItems(1).at(0), view->undoManager());
  ASSERT_EQ(store.count(), 0);
  ASSERT_EQ(QApplication::focusWidget(), nullptr);
  undo->trigger();
  EXPECT_EQ(store.count(), 1) << "with no control focused";
}

TEST(WindowsTest, TheMainMenuBarHasTheLinuxMenusWithTheirItemsAndKeys) {
  WindowsFixture f;
  f.windows->showMain(Page::library);
  std::vector<std::string> rows;
  for (QAction* top : f.windows->mainWindow()->menuBar()->actions()) {
    std::string row = top->text().toStdString() + ":";
    for (QAction* a : top->menu()->actions()) {
      row += a->isSeparator() ? " |" : " " + a->text().toStdString();
      if (!a->shortcut().isEmpty())
        row += " [" + a->shortcut().toString(QKeySequence::PortableText).toStdString() + "]";
    }
    rows.push_back(row);
  }
  EXPECT_EQ(
      rows,
      (std::vector<std::string>{
          "File: Settings… [Ctrl+,] | Close Window [Ctrl+W] Quit [Ctrl+Q]",
          "Edit: Undo [Ctrl+Z] Redo [Ctrl+Shift+Z] | Cut [Ctrl+X] Copy [Ctrl+C] Paste [Ctrl+V] Select All [Ctrl+A]",
          "View: Library [Ctrl+L]", "Help: About Orvak"}));
  auto item = [&](const char* title) -> QAction* {
    for (QAction* top : f.windows->mainWindow()->menuBar()->actions()) {
      for (QAction* a : top->menu()->actions()) {
        if (a->text() == title) return a;
      }
    }
    return nullptr;
  };
  item("Settings…")->trigger();
  EXPECT_EQ(f.windows->mainModel().page(), Page::general);
  item("Library")->trigger();
  EXPECT_EQ(f.windows->mainModel().page(), Page::library);
}
