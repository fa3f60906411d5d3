#include "app/shell/dbus_debug_bus.h"

namespace orvak {

DbusDebugBus::Address DbusDebugBus::address(const std::string& name) {
  const auto dot = name.rfind('.');
  Address a;
  a.interface = dot == std::string::npos ? name : name.substr(0, dot);
  a.member = dot == std::string::npos ? name : name.substr(dot + 1);
  a.path = "/" + a.interface;
  for (char& c : a.path) {
    if (c == '.') c = '/';
    if (c == '-') c = '_';
  }
  return a;
}

DbusDebugBus::DbusDebugBus(QDBusConnection connection) : connection_(std::move(connection)) {}

void DbusDebugBus::post(const std::string& name, const std::string& payload) {
  const Address a = address(name);
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromStdString(a.path), QString::fromStdString(a.interface),
                                                   QString::fromStdString(a.member));
  signal << QString::fromStdString(payload);
  connection_.send(signal);
}

void DbusDebugBus::observe(const std::string& name, std::function<void(const std::string&)> handler) {
  const Address a = address(name);
  const std::string key = a.interface + "." + a.member;
  if (handlers_[key].empty()) {
    connection_.connect(QString(), QString::fromStdString(a.path), QString::fromStdString(a.interface),
                        QString::fromStdString(a.member), this, SLOT(received(QDBusMessage)));
  }
  handlers_[key].push_back(std::move(handler));
}

void DbusDebugBus::received(const QDBusMessage& message) {
  const std::string key = message.interface().toStdString() + "." + message.member().toStdString();
  const auto it = handlers_.find(key);
  if (it == handlers_.end()) return;
  // A payload that is not a string counts as the empty one.
  const auto args = message.arguments();
  const std::string payload =
      !args.isEmpty() && args.first().typeId() == QMetaType::QString ? args.first().toString().toStdString() : "";
  for (const auto& h : it->second) h(payload);
}

}  // namespace orvak
