#include "app/shell/portal_look.h"

#include "core/base/log.h"

namespace orvak::shell {

namespace {
const QString kPortal = "org.freedesktop.portal.Desktop";
const QString kPath = "/org/freedesktop/portal/desktop";
const QString kSettings = "org.freedesktop.portal.Settings";
}  // namespace

PortalLook::PortalLook(QDBusConnection bus) : bus_(std::move(bus)) {
  if (!bus_.isConnected()) {
    Log::write("look: no session bus, the desktop's light or dark changes are not seen");
    return;
  }
  // Bound to the portal's name: Qt follows whoever owns it, also when the portal starts later.
  if (!bus_.connect(kPortal, kPath, kSettings, "SettingChanged", this,
                    SLOT(settingChanged(QString, QString, QDBusVariant)))) {
    Log::write("look: could not listen to the settings portal");
  }
}

void PortalLook::settingChanged(const QString& ns, const QString& key, const QDBusVariant& value) {
  if (ns != "org.freedesktop.appearance" || key != "color-scheme") return;
  // The value is a variant holding the number; some portals wrap it once more.
  QVariant inner = value.variant();
  if (inner.canConvert<QDBusVariant>()) inner = inner.value<QDBusVariant>().variant();
  bool ok = false;
  const unsigned scheme = inner.toUInt(&ok);
  if (!ok) return;
  if (onChange) onChange(look::appearanceFromColorScheme(scheme));
}

}  // namespace orvak::shell
