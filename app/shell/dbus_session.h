// The login session's events from the desktop's services over D-Bus: logind on the system bus
// (PrepareForSleep on its manager; Lock and the Active property on this process's session) and
// the screen saver's ActiveChanged on the session bus. Main thread; needs the Qt application.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <memory>

#include "core/base/observers.h"
#include "platform/session.h"

namespace orvak::shell {

class DbusSession final : public QObject, public platform::Session {
  Q_OBJECT

 public:
  // `logind` and `screenSaver` are the buses those services live on (the system and session
  // buses; tests put a fake logind on a private bus). `pid` finds this process's session.
  DbusSession(QDBusConnection logind, QDBusConnection screenSaver, std::uint32_t pid);

  std::optional<std::uint64_t> addObserver(Handler handler) override;
  void removeObserver(std::uint64_t token) override;

  // The session object logind named for our process; empty when it named none.
  const QString& sessionPath() const { return sessionPath_; }

 private slots:
  void prepareForSleep(bool start);
  void locked();
  void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);
  void screenSaverActive(bool active);

 private:
  void post(platform::SessionEvent event);

  QDBusConnection logind_;
  QDBusConnection screenSaver_;
  QString sessionPath_;
  Observers<platform::SessionEvent> handlers_;
};

}  // namespace orvak::shell
