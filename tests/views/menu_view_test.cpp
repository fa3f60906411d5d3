// The tray icon's pixels, the menu header and the menu Qt builds from the rows.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QWidgetAction>
#include <cmath>

#include "app/views/menu/menu_header.h"
#include "app/views/menu/menu_icon.h"
#include "app/views/menu/qt_tray.h"
#include "app/views/shots.h"
#include "tests/views/look_test.h"

using namespace orvak;
using namespace orvak::views::menu;

namespace {

constexpr int kSide = 72;  // 4 pixels a unit
constexpr auto kDark = MenuIcon::Panel::dark;

QColor at(const QImage& img, double ux, double uy) { return img.pixelColor(int(ux * 4), int(uy * 4)); }

orvak::menu::Header reading(int sentence, int total, bool paused) {
  orvak::menu::Header h;
  h.reading = orvak::menu::ReadingNow{"Rivers", "Firefox · Natural", sentence, total, paused};
  h.keyName = "Right Shift";
  h.keyGlyph = "⇧";
  return h;
}

}  // namespace

TEST(MenuIconTest, ThePulseWrapsAndPeaksAtHalfAPhase) {
  EXPECT_EQ(MenuIcon::image(orvak::menu::Icon::reading, 0, kSide, kDark),
            MenuIcon::image(orvak::menu::Icon::reading, 1, kSide, kDark));
  const auto peak = MenuIcon::glow(0.5);
  EXPECT_DOUBLE_EQ(peak.radius, 9);
  EXPECT_DOUBLE_EQ(peak.alpha, 0.95);
  const auto rest = MenuIcon::glow(0);
  EXPECT_DOUBLE_EQ(rest.radius, 7.8);
  EXPECT_DOUBLE_EQ(rest.alpha, 0.55);
  // 8.4 units from the centre, outside the orb: lit only by the wider glow.
  const QImage wide = MenuIcon::image(orvak::menu::Icon::reading, 0.5, kSide, kDark);
  const QImage narrow = MenuIcon::image(orvak::menu::Icon::reading, 0, kSide, kDark);
  const QImage idle = MenuIcon::image(orvak::menu::Icon::idle, 0, kSide, kDark);
  EXPECT_GT(at(wide, 9 + 8.4, 9).alpha(), 0);
  EXPECT_EQ(at(narrow, 9 + 8.4, 9).alpha(), 0);
  EXPECT_EQ(at(idle, 9 + 7, 9).alpha(), 0) << "no glow when idle";
  // On the ring itself, wherever it stands.
  EXPECT_GT(at(wide, 9 + 8.4, 9).alpha(), at(narrow, 9 + 7.3, 9).alpha()) << "stronger at the peak";
}

TEST(MenuIconTest, NeedsSetupIsAHalfOrbWithABadgeInAClearRing) {
  const QImage setup = MenuIcon::image(orvak::menu::Icon::needsSetup, 0, kSide, kDark);
  const QImage idle = MenuIcon::image(orvak::menu::Icon::idle, 0, kSide, kDark);
  EXPECT_EQ(at(idle, 7, 7).alpha(), 255);
  EXPECT_NEAR(at(setup, 7, 7).alpha(), 128, 2);
  const QColor badge = at(setup, 14.3, 14.3);
  EXPECT_EQ(badge.alpha(), 255);
  EXPECT_NEAR(badge.red(), 229, 2);
  EXPECT_NEAR(badge.green(), 138, 2);
  EXPECT_NEAR(badge.blue(), 92, 2);
  // Between the badge and the ring's outer edge, where the orb would be: nothing.
  EXPECT_EQ(at(setup, 14.3 - 2.0, 14.3 - 2.0).alpha(), 0);
  EXPECT_GT(at(idle, 14.3 - 2.0, 14.3 - 2.0).alpha(), 200);
}

TEST(MenuIconTest, ThePanelFollowsTheDesktopAndItsScheme) {
  using P = MenuIcon::Panel;
  using A = look::Appearance;
  struct Case {
    const char* desktop;
    std::optional<A> scheme;
    P panel;
  };
  const Case table[] = {
      {"GNOME", A::light, P::dark},           // the shell's bar is dark in either scheme
      {"ubuntu:GNOME", A::light, P::dark},    // names joined by ":"
      {"gnome", std::nullopt, P::dark},       // in any case
      {"GNOME-Classic:GNOME", A::dark, P::light},
      {"Budgie:GNOME", A::light, P::dark},
      {"KDE", A::light, P::light},            // Plasma's panel follows the scheme
      {"KDE", A::dark, P::dark},
      {"KDE", A::other, P::dark},
      {"XFCE", std::nullopt, P::dark},        // nothing said: the commoner dark panel
      {"", A::light, P::light},
      {"X-Cinnamon", A::dark, P::dark},
  };
  for (const Case& c : table) {
    EXPECT_EQ(MenuIcon::panelFor(c.desktop, c.scheme), c.panel)
        << c.desktop << " " << (c.scheme ? int(*c.scheme) : -1);
  }
}

TEST(MenuIconTest, TheGlyphAndTheSetupBadgeStandOutOnTheirPanel) {
  for (const auto panel : {MenuIcon::Panel::light, MenuIcon::Panel::dark}) {
    SCOPED_TRACE(panel == MenuIcon::Panel::dark ? "dark panel" : "light panel");
    const QColor under = MenuIcon::panelColour(panel);
    for (const auto state : {orvak::menu::Icon::idle, orvak::menu::Icon::reading, orvak::menu::Icon::needsSetup}) {
      // Flattened onto the panel, as the desktop shows it.
      QImage shown(kSide, kSide, QImage::Format_ARGB32);
      shown.fill(under);
      QPainter p(&shown);
      p.drawImage(0, 0, MenuIcon::image(state, 0.5, kSide, panel));
      p.end();
      const double orb = test::contrast(at(shown, 9, 9), under);
      const double ring = test::contrast(at(shown, 9 + 8.4, 9), under);
      switch (state) {
        case orvak::menu::Icon::idle:
          EXPECT_GE(orb, 7.0) << "the orb";
          break;
        case orvak::menu::Icon::reading:
          EXPECT_GE(orb, 7.0) << "the orb";
          EXPECT_GE(ring, 4.5) << "the ring at its peak";
          break;
        case orvak::menu::Icon::needsSetup:
          EXPECT_GE(orb, 2.0) << "dimmed, still there";
          EXPECT_GE(test::contrast(at(shown, 14.3, 14.3), under), 3.0) << "the badge";
          break;
      }
    }
  }
}

TEST(MenuHeaderTest, TheBarFollowsTheReadAndIsEmptyWithoutATotal) {
  struct Case {
    int sentence, total;
    double share;
  };
  for (const Case c : {Case{3, 12, 0.25}, Case{1, 0, 0.0}, Case{12, 12, 1.0}}) {
    MenuHeader h(reading(c.sentence, c.total, false));
    views::renderWidget(h, 1);
    const QRectF bar = h.progressFill();
    EXPECT_NEAR(bar.width(), (MenuHeader::kWidth - 28) * c.share, 0.5) << c.sentence << "/" << c.total;
    EXPECT_EQ(bar.height(), 3);
  }
  MenuHeader paused(reading(3, 12, true));
  EXPECT_EQ(paused.detail()->text().toStdString(), "Firefox · Natural · paused");
  EXPECT_EQ(paused.detail()->toolTip(), QString()) << "nothing cut, nothing to add";
  EXPECT_EQ(paused.width(), 290);
  orvak::menu::Header idle;
  idle.keyName = "Right Shift";
  idle.keyGlyph = "⇧";
  idle.needsAccess = true;
  MenuHeader noAccess(idle);
  EXPECT_EQ(noAccess.detail()->text().toStdString(), "Grant Accessibility to start reading");
  EXPECT_EQ(noAccess.findChildren<QWidget*>().size(), 5u) << "the orb's place, the name, two key caps, the hint";
}

TEST(MenuHeaderTest, ALongDetailLineEndsInAnEllipsisWithinTheHeader) {
  orvak::menu::Header h = reading(3, 12, false);
  h.reading->source = "Chromium Web Browser · On-device · some page with a long name in its window title";
  MenuHeader header(h);
  views::renderWidget(header, 1);
  const QLabel* detail = header.detail();
  const QString shown = detail->text();
  EXPECT_TRUE(shown.endsWith(QString::fromUtf8("…"))) << shown.toStdString();
  EXPECT_TRUE(shown.startsWith("Chromium Web Browser · On-device")) << shown.toStdString();
  EXPECT_LE(QFontMetricsF(detail->font()).horizontalAdvance(shown), detail->width());
  EXPECT_LE(detail->geometry().right(), MenuHeader::kWidth - 14) << "inside the header's margin";
  EXPECT_EQ(detail->toolTip().toStdString(), h.detail()) << "the whole line on hover";
}

TEST(QtTrayTest, TheIconIsDrawnAgainForThePanelAsTheDesktopsSchemeChanges) {
  // A panel that follows the scheme (KDE's), told of each change by a listener the test plays.
  struct Env {
    QByteArray before = qgetenv("XDG_CURRENT_DESKTOP");
    Env() { qputenv("XDG_CURRENT_DESKTOP", "KDE"); }
    ~Env() { qputenv("XDG_CURRENT_DESKTOP", before); }
  } env;
  auto listener = std::make_unique<views::windows::DesktopLook>();
  views::windows::DesktopLook* desktop = listener.get();
  QtTray tray;
  tray.followDesktopLook(std::move(listener));
  tray.showIcon(orvak::menu::IconLook{}, 0);
  const auto centre = [&] { return tray.trayIcon()->icon().pixmap(22).toImage().pixelColor(11, 11).rgb(); };
  for (const auto& [scheme, panel] : {std::pair{look::Appearance::light, MenuIcon::Panel::light},
                                     std::pair{look::Appearance::dark, MenuIcon::Panel::dark},
                                     std::pair{look::Appearance::light, MenuIcon::Panel::light}}) {
    desktop->onChange(scheme);
    EXPECT_EQ(tray.panel(), panel);
    EXPECT_EQ(centre(), MenuIcon::glyphColour(panel).rgb()) << "the orb drawn for the panel";
  }
}

TEST(QtTrayTest, RowsBecomeActionsWithTheirChecksKeysAndHeader) {
  orvak::menu::Snapshot s;
  s.accessibility = true;
  s.mic = platform::MicAccess::granted;
  s.voiceStatus = "on";
  s.notesOpen = false;
  std::vector<std::pair<orvak::menu::Action, std::string>> done;
  const QtTray::Perform perform = [&](orvak::menu::Action a, const std::string& v) { done.push_back({a, v}); };
  for (const bool widgets : {true, false}) {
    QMenu m;
    QtTray::fill(m, orvak::menu::build(s), widgets, perform);
    const auto actions = m.actions();
    if (widgets) {
      ASSERT_NE(qobject_cast<QWidgetAction*>(actions[0]), nullptr);
      EXPECT_TRUE(actions[1]->isSeparator());
    } else {
      EXPECT_EQ(actions[0]->text().toStdString(), "Orvak");
      EXPECT_EQ(actions[1]->text().toStdString(), "Double-tap Right Shift in any app to read it");
      EXPECT_FALSE(actions[0]->isEnabled());
      EXPECT_FALSE(actions[1]->isEnabled());
      EXPECT_TRUE(actions[2]->isSeparator());
    }
    QAction* setup = nullptr;
    QAction* quit = nullptr;
    QMenu* speed = nullptr;
    for (QAction* a : actions) {
      if (a->text() == "Setup && Permissions…") setup = a;
      if (a->text() == "Quit Orvak") quit = a;
      if (a->menu() && a->text().startsWith("Speed")) speed = a->menu();
    }
    ASSERT_TRUE(setup && quit && speed) << "an ampersand is shown as itself";
    EXPECT_EQ(quit->shortcut().toString().toStdString(), "Ctrl+Q");
    ASSERT_EQ(speed->actions().size(), 6);
    EXPECT_TRUE(speed->actions()[1]->isChecked());
    EXPECT_FALSE(speed->actions()[0]->isChecked());
    speed->actions()[3]->trigger();
    setup->trigger();
  }
  ASSERT_EQ(done.size(), 4u);
  EXPECT_EQ(done[0].first, orvak::menu::Action::pickSpeed);
  EXPECT_EQ(std::stof(done[0].second), 1.5f);
  EXPECT_EQ(done[1], (std::pair<orvak::menu::Action, std::string>{orvak::menu::Action::onboarding, ""}));
}
