#include "app/views/menu/qt_tray.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QWidgetAction>

#include "app/views/app_look.h"
#include "app/views/look/appearance.h"
#include "app/views/look/palette.h"
#include "app/views/look/qstring.h"
#include "app/views/look/symbols.h"
#include "app/views/menu/menu_header.h"
#include "app/views/menu/menu_icon.h"

namespace orvak::views::menu {

namespace {

using look::qs;

// A row's text as Qt shows it: "&" stands for itself, not for a mnemonic.
QString label(const std::string& s) { return qs(s).replace('&', "&&"); }

QIcon symbolIcon(const std::string& name, const QColor& colour) {
  const QString n = qs(name);
  if (name.empty() || !look::hasSymbol(n)) return {};
  QIcon icon;
  for (const int side : {16, 32}) {
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    look::paintSymbol(p, n, QRectF(0, 0, side, side), colour);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace

QtTray::QtTray() : menu_(std::make_unique<QMenu>()), tray_(std::make_unique<QSystemTrayIcon>()) {
  menu_->setToolTipsVisible(true);
  desktopMenus_ = desktopDrawsMenus();
  panel_ = desktopPanel();
  connect(menu_.get(), &QMenu::aboutToShow, this, [this] { rebuild(); });
  connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) { activated(r); });
  tray_->setContextMenu(menu_.get());
}

QtTray::~QtTray() = default;

void QtTray::attach(std::function<std::vector<orvak::menu::Row>()> rows, Perform perform) {
  rows_ = std::move(rows);
  perform_ = std::move(perform);
  rebuild();
}

bool QtTray::available() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void QtTray::show() {
  // The kind of tray may differ from the one looked for at start (a panel started later).
  desktopMenus_ = desktopDrawsMenus();
  usePanel(desktopPanel());
  tray_->show();
}

void QtTray::activated(int reason) {
  // The secondary click (Context) opens the menu by itself; the primary one and a desktop's
  // "activate" (Trigger, DoubleClick) open it here, where the pointer is.
  if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick) return;
  if (menu_->isVisible()) return;
  menu_->popup(QCursor::pos());
}

bool QtTray::reducedMotion() const { return look::reducedMotion(); }

void QtTray::showIcon(const orvak::menu::IconLook& look, double phase) {
  shown_ = std::make_pair(look, phase);
  tray_->setIcon(MenuIcon::icon(look.icon, phase, panel_));
  tray_->setToolTip(qs(look.toolTip));
  menu_->setAccessibleName(qs(look.description));
}

void QtTray::menuChanged() {
  // A menu Qt draws is rebuilt as it opens; one the desktop draws is handed over ahead.
  if (desktopMenus_ && !menu_->isVisible()) rebuild();
}

QPalette QtTray::menuPalette() {
  QPalette pal = AppLook::palette(look::appearance());
  const QColor grey = look::Margin::ink3.color();
  for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
    pal.setColor(QPalette::Disabled, role, grey);
  }
  pal.setColor(QPalette::Disabled, QPalette::Light, pal.color(QPalette::Window));
  return pal;
}

bool QtTray::desktopDrawsMenus() {
  const QDBusConnection bus = QDBusConnection::sessionBus();
  return bus.isConnected() && bus.interface() &&
         bus.interface()->isServiceRegistered("org.kde.StatusNotifierWatcher").value();
}

void QtTray::followDesktopLook(std::unique_ptr<windows::DesktopLook> look) {
  desktopLook_ = std::move(look);
  desktopLook_->onChange = [this](look::Appearance scheme) {
    usePanel(MenuIcon::panelFor(qgetenv("XDG_CURRENT_DESKTOP").toStdString(), scheme));
  };
}

void QtTray::usePanel(MenuIcon::Panel panel) {
  if (panel == panel_) return;
  panel_ = panel;
  if (shown_) showIcon(shown_->first, shown_->second);
}

MenuIcon::Panel QtTray::desktopPanel() {
  return MenuIcon::panelFor(qgetenv("XDG_CURRENT_DESKTOP").toStdString(), look::readPortalAppearance());
}

void QtTray::rebuild() {
  if (!rows_) return;
  // The old rows' actions may still be delivering: they go once control is back in the loop.
  const auto old = menu_->actions();
  for (QAction* a : old) {
    menu_->removeAction(a);
    a->deleteLater();
  }
  menu_->setPalette(menuPalette());
  fill(*menu_, rows_(), !desktopMenus_, perform_);
}

void QtTray::fill(QMenu& menu, const std::vector<orvak::menu::Row>& rows, bool widgetHeader, const Perform& perform) {
  const QColor symbolColour = look::Margin::ink2.color();
  for (const auto& row : rows) {
    switch (row.kind) {
      case orvak::menu::Row::Kind::separator:
        menu.addSeparator();
        break;
      case orvak::menu::Row::Kind::header: {
        const orvak::menu::Header& h = *row.header;
        if (widgetHeader) {
          auto* action = new QWidgetAction(&menu);
          action->setDefaultWidget(new MenuHeader(h));
          menu.addAction(action);
        } else {
          const std::string first = h.reading ? h.reading->title : "Orvak";
          const std::string second = h.reading ? h.detail() : h.hint();
          for (const auto& line : {first, second}) menu.addAction(label(line))->setEnabled(false);
        }
        break;
      }
      case orvak::menu::Row::Kind::submenu: {
        QMenu* sub = menu.addMenu(symbolIcon(row.symbol, symbolColour), label(row.title));
        sub->setToolTipsVisible(true);
        fill(*sub, row.children, widgetHeader, perform);
        break;
      }
      case orvak::menu::Row::Kind::item: {
        QAction* a = menu.addAction(symbolIcon(row.symbol, symbolColour), label(row.title));
        a->setEnabled(row.enabled);
        if (row.checked) {
          a->setCheckable(true);
          a->setChecked(true);
        } else if (row.action == orvak::menu::Action::toggleAlwaysOn || row.action == orvak::menu::Action::pickVendor ||
                   row.action == orvak::menu::Action::pickSpeed) {
          a->setCheckable(true);
        }
        if (!row.key.empty()) a->setShortcut(QKeySequence(qs("Ctrl+" + row.key)));
        if (!row.toolTip.empty()) a->setToolTip(qs(row.toolTip));
        if (row.action != orvak::menu::Action::none) {
          QObject::connect(a, &QAction::triggered, &menu, [perform, action = row.action, value = row.value] {
            if (perform) perform(action, value);
          });
        }
        break;
      }
    }
  }
}

}  // namespace orvak::views::menu
