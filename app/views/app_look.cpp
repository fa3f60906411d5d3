#include "app/views/app_look.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QStyle>

namespace orvak::AppLook {

namespace {
// The portal answers at once or not at all; a missing portal must not hold up start-up.
constexpr int kPortalTimeoutMs = 500;
}  // namespace

Scheme resolve(std::string_view value, const std::function<std::optional<Scheme>()>& desktop,
               const std::function<Scheme()>& fallback) {
  if (value == "dark") return Scheme::dark;
  if (value != "system") return Scheme::light;
  if (auto s = desktop()) return *s;
  return fallback();
}

std::optional<Scheme> desktopScheme() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return std::nullopt;
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                                                     "org.freedesktop.portal.Settings", "Read");
  call << QString("org.freedesktop.appearance") << QString("color-scheme");
  const QDBusMessage reply = bus.call(call, QDBus::Block, kPortalTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
  // The value comes wrapped in a variant, which older portals wrap once more.
  QVariant v = reply.arguments().front();
  for (int i = 0; i < 2 && v.canConvert<QDBusVariant>(); ++i) v = v.value<QDBusVariant>().variant();
  bool ok = false;
  const uint preference = v.toUInt(&ok);
  if (!ok) return std::nullopt;
  if (preference == 1) return Scheme::dark;
  if (preference == 2) return Scheme::light;
  return std::nullopt;  // 0: no preference
}

Scheme schemeOf(const QPalette& palette) {
  return palette.color(QPalette::Window).lightness() >= 128 ? Scheme::light : Scheme::dark;
}

QPalette palette(Scheme scheme) {
  if (scheme == Scheme::light) {
    QPalette p(QColor(0x20, 0x20, 0x20), QColor(0xf2, 0xf2, 0xf2));  // text, window
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xf7, 0xf7, 0xf7));
    p.setColor(QPalette::Text, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::Button, QColor(0xf2, 0xf2, 0xf2));
    p.setColor(QPalette::ButtonText, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xdf));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80));
    return p;
  }
  QPalette p(QColor(0xe8, 0xe8, 0xe8), QColor(0x26, 0x26, 0x28));
  p.setColor(QPalette::Base, QColor(0x1c, 0x1c, 0x1e));
  p.setColor(QPalette::AlternateBase, QColor(0x2a, 0x2a, 0x2c));
  p.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
  p.setColor(QPalette::Button, QColor(0x32, 0x32, 0x34));
  p.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
  p.setColor(QPalette::Highlight, QColor(0x3d, 0x7e, 0xf0));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
  p.setColor(QPalette::Link, QColor(0x6c, 0xa8, 0xff));
  return p;
}

void apply(std::string_view value) {
  const QPalette styles = QApplication::style()->standardPalette();
  const Scheme scheme = resolve(value, desktopScheme, [&] { return schemeOf(styles); });
  // "system" with nothing stated by the desktop keeps the style's own colours.
  if (value == "system" && scheme == schemeOf(styles)) {
    QApplication::setPalette(styles);
  } else {
    QApplication::setPalette(palette(scheme));
  }
}

}  // namespace orvak::AppLook
