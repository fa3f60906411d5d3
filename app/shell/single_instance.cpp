#include "app/shell/single_instance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>

#include "core/base/log.h"

namespace orvak::shell {

namespace {

constexpr const char* kObjectPath = "/app/orvak/Orvak";
constexpr const char* kMethod = "Open";
constexpr int kForwardTimeoutMs = 5000;

// Bus names use dots; the interface takes the same name.
QString interfaceName(const std::string& service) { return QString::fromStdString(service); }

}  // namespace

class SingleInstance::Receiver final : public QDBusVirtualObject {
 public:
  Receiver(QString interface, std::function<void(std::vector<std::string>)> onOpen)
      : interface_(std::move(interface)), onOpen_(std::move(onOpen)) {}

  QString introspect(const QString&) const override {
    return QString("<interface name=\"%1\"><method name=\"%2\"><arg name=\"args\" type=\"as\" direction=\"in\"/>"
                   "</method></interface>")
        .arg(interface_, kMethod);
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() != interface_ || message.member() != kMethod || message.signature() != "as") return false;
    std::vector<std::string> args;
    for (const QString& a : message.arguments().front().toStringList()) args.push_back(a.toStdString());
    connection.send(message.createReply());
    onOpen_(std::move(args));
    return true;
  }

 private:
  QString interface_;
  std::function<void(std::vector<std::string>)> onOpen_;
};

SingleInstance::SingleInstance(const std::string& service, const std::vector<std::string>& args,
                               std::function<void(std::vector<std::string>)> onOpen)
    : service_(service) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    Log::write("instance: no session bus, running alone");
    return;
  }
  receiver_ = std::make_unique<Receiver>(interfaceName(service), std::move(onOpen));
  bus.registerVirtualObject(kObjectPath, receiver_.get(), QDBusConnection::SingleNode);
  if (bus.registerService(QString::fromStdString(service))) {
    role_ = Role::first;
    return;
  }
  bus.unregisterObject(kObjectPath);
  receiver_.reset();
  QStringList list;
  for (const auto& a : args) list << QString::fromStdString(a);
  QDBusMessage call =
      QDBusMessage::createMethodCall(QString::fromStdString(service), kObjectPath, interfaceName(service), kMethod);
  call << list;
  const QDBusMessage reply = bus.call(call, QDBus::Block, kForwardTimeoutMs);
  if (reply.type() == QDBusMessage::ReplyMessage) {
    role_ = Role::forwarded;
  } else {
    Log::write("instance: the running Orvak did not answer (" + reply.errorMessage().toStdString() + "), running alone");
  }
}

SingleInstance::~SingleInstance() {
  if (role_ != Role::first) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterObject(kObjectPath);
  bus.unregisterService(QString::fromStdString(service_));
}

}  // namespace orvak::shell
