// The developer control channel's messages on the session bus: each named message is one D-Bus
// signal carrying its string. D-Bus member names cannot hold dots, so a name splits at its last
// dot into the signal's interface and member ("app.orvak.Orvak.debug.trigger": interface
// "app.orvak.Orvak.debug", member "trigger"), and the interface gives the object path.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/controller/debug_control.h"

namespace orvak {

class DbusDebugBus final : public QObject, public DebugBus {
  Q_OBJECT

 public:
  struct Address {
    std::string path;
    std::string interface;
    std::string member;
  };
  static Address address(const std::string& name);

  explicit DbusDebugBus(QDBusConnection connection = QDBusConnection::sessionBus());

  void post(const std::string& name, const std::string& payload) override;
  void observe(const std::string& name, std::function<void(const std::string&)> handler) override;

 private slots:
  void received(const QDBusMessage& message);

 private:
  QDBusConnection connection_;
  std::map<std::string, std::vector<std::function<void(const std::string&)>>> handlers_;  // by interface.member
};

}  // namespace orvak
