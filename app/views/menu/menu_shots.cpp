#include "app/views/menu/menu_shots.h"

#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "app/views/app_look.h"
#include "app/views/look/appearance.h"
#include "app/views/look/palette.h"
#include "app/views/menu/menu_header.h"
#include "app/views/menu/menu_icon.h"
#include "app/views/menu/qt_tray.h"

namespace orvak::views::menu {

namespace {

// The sample read the pictures show.
orvak::menu::Snapshot sample(bool reading, bool paused, bool access) {
  orvak::menu::Snapshot s;
  s.accessibility = access;
  s.mic = platform::MicAccess::granted;
  s.voiceStatus = "on";
  s.inworldKey = true;
  s.notesOpen = true;
  s.recent = {{false, "Maps were drawn to be argued with", std::nullopt, "https://example.org/maps", "Maps"}};
  if (reading || paused) {
    PlayerState st;
    st.label = "Natural";
    st.sentence = 14;
    st.total = 52;
    st.paused = paused;
    s.player = true;
    s.state = st;
    s.reading = orvak::menu::readingNow("The quiet history of maps", "Firefox", st);
  }
  return s;
}

// The header on the menu's own background, as the menu shows it.
class Backdrop final : public QWidget {
 public:
  explicit Backdrop(QWidget* content) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 6, 0, 6);
    l->addWidget(content);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
  }
};

QImage header(bool reading, bool paused, bool access, double scale) {
  Backdrop b(new MenuHeader(orvak::menu::header(sample(reading, paused, access))));
  b.setPalette(AppLook::palette(look::appearance()));
  return renderWidget(b, scale);
}

QImage wholeMenu(bool reading, double scale) {
  QMenu m;
  m.setPalette(QtTray::menuPalette());
  QtTray::fill(m, orvak::menu::build(sample(reading, false, true)), true, {});
  return renderWidget(m, scale);
}

// The icon on a strip of panel, 4 units round it, as the desktop shows it.
QImage icon(orvak::menu::Icon i, double scale, const ShotOptions& o = {}, double phase = 0) {
  const std::string panelName = o.value("--panel").value_or("dark");
  if (panelName != "dark" && panelName != "light") throw std::invalid_argument("--panel takes dark or light");
  const auto panel = panelName == "dark" ? MenuIcon::Panel::dark : MenuIcon::Panel::light;
  const int side = int(std::lround(18 * scale)), margin = int(std::lround(4 * scale));
  QImage img(side + 2 * margin, side + 2 * margin, QImage::Format_ARGB32_Premultiplied);
  img.fill(MenuIcon::panelColour(panel));
  QPainter p(&img);
  p.drawImage(margin, margin, MenuIcon::image(i, phase, side, panel));
  return img;
}

}  // namespace

std::vector<Shot> menuShots() {
  return {
      {"menu-icon-idle",
       "the tray icon, idle (18 x 18), on a dark or light panel",
       [](double s) { return icon(orvak::menu::Icon::idle, s); },
       {"--panel"},
       {},
       [](double s, const ShotOptions& o) { return icon(orvak::menu::Icon::idle, s, o); }},
      {"menu-icon-needs-setup",
       "the tray icon when Accessibility is missing",
       [](double s) { return icon(orvak::menu::Icon::needsSetup, s); },
       {"--panel"},
       {},
       [](double s, const ShotOptions& o) { return icon(orvak::menu::Icon::needsSetup, s, o); }},
      {"menu-icon-reading",
       "the tray icon during a read (--phase 0 to 1)",
       [](double s) { return icon(orvak::menu::Icon::reading, s); },
       {"--phase", "--panel"},
       {},
       [](double s, const ShotOptions& o) {
         const double phase = o.value("--phase") ? std::stod(*o.value("--phase")) : 0;
         if (!(phase >= 0 && phase <= 1)) throw std::invalid_argument("--phase takes a number from 0 to 1");
         return icon(orvak::menu::Icon::reading, s, o, phase);
       }},
      {"menu-header-reading", "the menu's header during a read", [](double s) { return header(true, false, true, s); }},
      {"menu-header-paused", "the menu's header, paused", [](double s) { return header(false, true, true, s); }},
      {"menu-header-idle", "the menu's header when idle", [](double s) { return header(false, false, true, s); }},
      {"menu-header-no-access", "the menu's header without Accessibility",
       [](double s) { return header(false, false, false, s); }},
      {"menu-reading", "the status menu during a read", [](double s) { return wholeMenu(true, s); }},
      {"menu-idle", "the status menu when idle", [](double s) { return wholeMenu(false, s); }},
  };
}

}  // namespace orvak::views::menu
