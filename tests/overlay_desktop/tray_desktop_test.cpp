// The status menu's icon on a bare X server with an XEmbed tray (Debian's trayer) started after
// it, as a panel that comes up after an autostarted program does: the icon appears once the
// tray is there, and both a primary and a secondary click on it open the menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "app/menu/status_menu.h"
#include "app/prefs.h"
#include "app/views/menu/qt_tray.h"
#include "app/views/qt_main_queue.h"
#include "tests/desktop/child_process.h"
#include "tests/overlay_desktop/desktop_widgets.h"
#include "tests/overlay_desktop/x_click.h"

namespace orvak::views::menu {
namespace {

struct NoWindows final : Windows {
  void showOnboarding() override {}
  void showMain(MainModel::Page) override {}
  void showNotes(const std::optional<std::string>&) override {}
  bool libraryInFront() const override { return false; }
  bool hasVisibleWindows() const override { return false; }
  void reloadModels() override {}
  void askLibrary(const std::string&) override {}
};

struct IdleHost final : MenuHost {
  explicit IdleHost(const QString& dir)
      : prefsValue(std::make_shared<platform::Defaults>((dir + "/defaults.json").toStdString())) {}
  Prefs prefsValue;
  NoWindows win;
  orvak::menu::Snapshot snapshot() override {
    orvak::menu::Snapshot s;
    s.accessibility = true;
    return s;
  }
  Prefs& prefs() override { return prefsValue; }
  Windows& windows() override { return win; }
  void trigger(const std::string&, double, const ReadOptions&) override {}
  void control(const std::string&) override {}
  void post(const std::string&) override {}
  void open(const std::filesystem::path&) override {}
  void feedback() override {}
  void quit() override {}
};

TEST(TrayDesktop, TheIconComesWithALateTrayAndEitherClickOpensTheMenu) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the test desktop starts without a tray";
  auto tray = std::make_shared<menu::QtTray>();
  TrayStatusMenu menu(std::make_unique<IdleHost>(dir.path()), tray);
  tray->attach([&menu] { return menu.rows(); }, [&menu](orvak::menu::Action a, const std::string& v) { menu.perform(a, v); });
  EXPECT_FALSE(menu.available());
  EXPECT_FALSE(tray->trayIcon()->isVisible());

  test::ChildProcess panel({"trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel", "--width", "120",
                            "--heighttype", "pixel", "--height", "32"},
                           {}, true);
  // The menu looks for a tray less and less often (0.5 s, then doubling); on a loaded machine the
  // tray can take seconds to come up, so allow a few of those looks.
  ASSERT_TRUE(waitFor([&] { return menu.available() && tray->trayIcon()->isVisible(); }, 40000))
      << "the icon went into the tray that came after it";
  // The icon is placed once the tray has embedded it.
  ASSERT_TRUE(waitFor([&] { return tray->trayIcon()->geometry().isValid(); }));

  for (const unsigned button : {1u, 3u}) {
    SCOPED_TRACE(button == 1 ? "primary click" : "secondary click");
    // Right after embedding, the tray may still be placing the icon, so a click can land where it
    // no longer is: click again (at the icon's place then) a few times before calling it lost.
    bool opened = false;
    for (int attempt = 0; attempt < 3 && !opened; ++attempt) {
      const QPoint centre = tray->trayIcon()->geometry().center();
      ASSERT_TRUE(clickAt(centre.x(), centre.y(), button));
      opened = waitFor([&] { return tray->menu()->isVisible(); }, 3000);
    }
    EXPECT_TRUE(opened);
    EXPECT_FALSE(tray->menu()->actions().isEmpty()) << "the menu was filled as it opened";
    tray->menu()->hide();
    ASSERT_TRUE(waitFor([&] { return !tray->menu()->isVisible(); }));
  }
}

}  // namespace
}  // namespace orvak::views::menu

