#include "app/views/look/appearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QPalette>
#include <atomic>

namespace orvak::look {
namespace {

// Unset until the first reader asks or someone sets it.
constexpr int kUnset = -1;

std::atomic<int>& appearanceSlot() {
  static std::atomic<int> slot{kUnset};
  return slot;
}

std::atomic<int>& reducedSlot() {
  static std::atomic<int> slot{kUnset};
  return slot;
}

// Reads one setting from the desktop portal; nothing when there is no session bus, no portal, or
// no such key. The portal answers quickly or not at all, so the wait is short.
std::optional<QVariant> readPortalSetting(const QString& ns, const QString& key) {
  auto bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    return std::nullopt;
  }
  auto call = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                                             "org.freedesktop.portal.Settings", "Read");
  call << ns << key;
  const auto reply = bus.call(call, QDBus::Block, 500);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    return std::nullopt;
  }
  // The value comes wrapped in one or two variants depending on the portal's version.
  QVariant value = reply.arguments().front();
  for (int i = 0; i < 2 && value.canConvert<QDBusVariant>(); ++i) {
    value = value.value<QDBusVariant>().variant();
  }
  return value;
}

}  // namespace

Appearance appearanceFromColorScheme(unsigned value) {
  switch (value) {
    case 1:
      return Appearance::dark;
    case 2:
      return Appearance::light;
    default:
      return Appearance::other;
  }
}

std::optional<Appearance> readPortalAppearance() {
  if (const auto value = readPortalSetting("org.freedesktop.appearance", "color-scheme")) {
    bool ok = false;
    const unsigned scheme = value->toUInt(&ok);
    if (ok) {
      return appearanceFromColorScheme(scheme);
    }
  }
  return std::nullopt;
}

Appearance readDesktopAppearance() {
  if (const auto portal = readPortalAppearance()) {
    return *portal;
  }
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    const QColor window = QGuiApplication::palette().color(QPalette::Window);
    return window.lightnessF() < 0.5 ? Appearance::dark : Appearance::light;
  }
  return Appearance::light;
}

bool readDesktopReducedMotion() {
  if (const auto value = readPortalSetting("org.gnome.desktop.interface", "enable-animations")) {
    if (value->typeId() == QMetaType::Bool) {
      return !value->toBool();
    }
  }
  return false;
}

Appearance appearance() {
  int value = appearanceSlot().load();
  if (value == kUnset) {
    value = static_cast<int>(readDesktopAppearance());
    int expected = kUnset;
    // A setter that came first wins over what the desktop said.
    if (!appearanceSlot().compare_exchange_strong(expected, value)) {
      value = expected;
    }
  }
  return static_cast<Appearance>(value);
}

void setAppearance(Appearance appearance) { appearanceSlot().store(static_cast<int>(appearance)); }

bool reducedMotion() {
  int value = reducedSlot().load();
  if (value == kUnset) {
    value = readDesktopReducedMotion() ? 1 : 0;
    int expected = kUnset;
    if (!reducedSlot().compare_exchange_strong(expected, value)) {
      value = expected;
    }
  }
  return value == 1;
}

void setReducedMotion(bool reduced) { reducedSlot().store(reduced ? 1 : 0); }

}  // namespace orvak::look
