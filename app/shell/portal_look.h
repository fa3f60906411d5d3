// The desktop's light or dark preference from the settings portal on the session bus: its
// SettingChanged signal for "org.freedesktop.appearance" "color-scheme" (0 no preference,
// 1 dark, 2 light). Main thread; needs the Qt application.
#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QString>

#include "app/views/windows/desktop_look.h"

namespace orvak::shell {

class PortalLook final : public QObject, public views::windows::DesktopLook {
  Q_OBJECT

 public:
  // Listens on `bus` (the session bus; tests put a fake portal on a private one). Without a
  // connection nothing is ever announced.
  // The connection lets go of this listener by itself when it is destroyed.
  explicit PortalLook(QDBusConnection bus);

 private slots:
  void settingChanged(const QString& ns, const QString& key, const QDBusVariant& value);

 private:
  QDBusConnection bus_;
};

}  // namespace orvak::shell
