#include "app/shell/dbus_session.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>

#include "core/base/dispatch.h"
#include "core/base/log.h"

namespace orvak::shell {

namespace {
const QString kLogind = "org.freedesktop.login1";
const QString kManagerPath = "/org/freedesktop/login1";
const QString kManager = "org.freedesktop.login1.Manager";
const QString kSession = "org.freedesktop.login1.Session";
constexpr int kTimeoutMs = 1000;
}  // namespace

DbusSession::DbusSession(QDBusConnection logind, QDBusConnection screenSaver, std::uint32_t pid)
    : logind_(std::move(logind)), screenSaver_(std::move(screenSaver)) {
  if (logind_.isConnected()) {
    logind_.connect(kLogind, kManagerPath, kManager, "PrepareForSleep", this, SLOT(prepareForSleep(bool)));
    QDBusMessage call = QDBusMessage::createMethodCall(kLogind, kManagerPath, kManager, "GetSessionByPID");
    call << pid;
    const QDBusReply<QDBusObjectPath> reply = logind_.call(call, QDBus::Block, kTimeoutMs);
    if (reply.isValid()) {
      sessionPath_ = reply.value().path();
      logind_.connect(kLogind, sessionPath_, kSession, "Lock", this, SLOT(locked()));
      logind_.connect(kLogind, sessionPath_, "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
                      SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    } else {
      Log::write("session: no login session for this process (" + reply.error().message().toStdString() + ")");
    }
  } else {
    Log::write("session: no system bus, sleep and lock are not seen");
  }
  if (screenSaver_.isConnected()) {
    // Any sender and path: desktops publish the screen saver under their own names too.
    screenSaver_.connect(QString(), QString(), "org.freedesktop.ScreenSaver", "ActiveChanged", this,
                         SLOT(screenSaverActive(bool)));
  }
}

std::optional<std::uint64_t> DbusSession::addObserver(Handler handler) { return handlers_.add(std::move(handler)); }

void DbusSession::removeObserver(std::uint64_t token) { handlers_.remove(token); }

void DbusSession::post(platform::SessionEvent event) { handlers_.notify(event); }

void DbusSession::prepareForSleep(bool start) {
  post(start ? platform::SessionEvent::willSleep : platform::SessionEvent::didWake);
}

void DbusSession::locked() { post(platform::SessionEvent::screenLocked); }

void DbusSession::propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&) {
  if (interface != kSession) return;
  if (auto it = changed.find("Active"); it != changed.end() && !it->toBool()) post(platform::SessionEvent::sessionInactive);
}

void DbusSession::screenSaverActive(bool active) {
  if (active) post(platform::SessionEvent::screenSaverStarted);
}

}  // namespace orvak::shell
