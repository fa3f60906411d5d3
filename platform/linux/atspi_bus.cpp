#include "platform/linux/atspi_bus.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "core/base/dispatch.h"
#include "core/base/log.h"

namespace orvak::atspi {

namespace {

constexpr std::uint64_t kRetryNs = 1'000'000'000;
constexpr const char* kA11yBus = "org.a11y.Bus";
constexpr const char* kA11yBusPath = "/org/a11y/bus";
constexpr const char* kStatus = "org.a11y.Status";

int toMs(double seconds) {
  if (!(seconds > 0)) return 1;
  return static_cast<int>(std::min(seconds * 1000.0, 24.0 * 3600 * 1000));
}

}  // namespace

ax::Error errorOf(const dbus::Reply& reply) {
  if (reply.ok()) return ax::Error::success;
  const std::string_view name = reply.errorName;
  if (name == "org.freedesktop.DBus.Error.NoReply" || name == "org.freedesktop.DBus.Error.Timeout" ||
      name == "org.freedesktop.DBus.Error.TimedOut") {
    return ax::Error::cannotComplete;
  }
  // The program or the object is gone.
  if (name == "org.freedesktop.DBus.Error.UnknownObject" || name == "org.freedesktop.DBus.Error.ServiceUnknown" ||
      name == "org.freedesktop.DBus.Error.NameHasNoOwner" || name == "org.freedesktop.DBus.Error.Disconnected") {
    return ax::Error::invalidUIElement;
  }
  if (name == "org.freedesktop.DBus.Error.UnknownMethod" || name == "org.freedesktop.DBus.Error.UnknownInterface" ||
      name == "org.freedesktop.DBus.Error.UnknownProperty" || name == "org.freedesktop.DBus.Error.NotSupported" ||
      name == "org.freedesktop.DBus.Error.InvalidArgs") {
    return ax::Error::attributeUnsupported;
  }
  return ax::Error::failure;
}

std::uint64_t stateBits(const dbus::Value& v) {
  const auto* l = v.list();
  if (!l) return 0;
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < l->size() && i < 2; ++i) {
    bits |= static_cast<std::uint64_t>((*l)[i].integer().value_or(0) & 0xFFFFFFFF) << (32 * i);
  }
  return bits;
}

std::shared_ptr<dbus::DBusClient> AtspiBus::sessionBus() {
  // Under mutex_.
  if (!session_) {
    try {
      session_ = dbus::DBusClient::session();
    } catch (const dbus::DBusFailure& e) {
      Log::write("Accessibility: " + std::string(e.what()));
    }
  }
  return session_;
}

std::shared_ptr<dbus::DBusClient> AtspiBus::client() {
  std::lock_guard lock(mutex_);
  if (client_) return client_;
  const std::uint64_t now = dispatch::monotonicNanos();
  if (attempted_ && now - lastAttemptNs_ < kRetryNs) return nullptr;
  attempted_ = true;
  lastAttemptNs_ = now;
  const auto session = sessionBus();
  if (!session) return nullptr;
  const auto reply = session->call({kA11yBus, kA11yBusPath, kA11yBus, "GetAddress", {}, {}}, 3000);
  const auto* address = reply.first().text();
  if (!reply.ok() || !address || address->empty()) {
    Log::write("Accessibility: no accessibility bus (" + reply.errorName + ")");
    return nullptr;
  }
  try {
    client_ = dbus::DBusClient::connect(*address);
  } catch (const dbus::DBusFailure& e) {
    Log::write("Accessibility: " + std::string(e.what()));
  }
  return client_;
}

dbus::PendingReply AtspiBus::send(const dbus::Call& call, double timeout) {
  const auto c = client();
  if (!c) return {};
  requests_.fetch_add(1);
  {
    // "org.a11y.atspi.Text" counts as "Text", "org.freedesktop.DBus.Properties" as "Properties".
    const std::string_view interface = call.interface;
    const auto dot = interface.rfind('.');
    std::string key(dot == std::string_view::npos ? interface : interface.substr(dot + 1));
    key += '.';
    key += call.method;
    std::lock_guard lock(countsMutex_);
    ++requestsByMethod_[key];
  }
  return c->send(call, toMs(effectiveTimeout(timeout)));
}

std::map<std::string, std::uint64_t> AtspiBus::requestsByMethod() const {
  std::lock_guard lock(countsMutex_);
  return requestsByMethod_;
}

void AtspiBus::setDefaultTimeout(double seconds) { defaultTimeout_.store(seconds > 0 ? seconds : 0); }

double AtspiBus::effectiveTimeout(double own) const {
  if (own > 0) return own;
  const double process = defaultTimeout_.load();
  return process > 0 ? process : kDefaultTimeout;
}

std::optional<pid_t> AtspiBus::pidOf(const std::string& bus, double timeout) {
  {
    std::lock_guard lock(mutex_);
    if (const auto it = pids_.find(bus); it != pids_.end()) return it->second;
  }
  const auto reply =
      call({"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetConnectionUnixProcessID",
            {bus}, {}},
           timeout);
  const auto pid = reply.first().integer();
  if (!reply.ok() || !pid || *pid <= 0) return std::nullopt;
  std::lock_guard lock(mutex_);
  pids_[bus] = static_cast<pid_t>(*pid);
  return static_cast<pid_t>(*pid);
}

std::string AtspiBus::toolkitOf(const std::string& bus, double timeout) {
  {
    std::lock_guard lock(mutex_);
    if (const auto it = toolkits_.find(bus); it != toolkits_.end()) return it->second;
  }
  const auto reply = call({bus, kRootPath, kProperties, "Get", {kApplication, "ToolkitName"}, {}}, timeout);
  const auto* name = reply.first().text();
  const std::string toolkit = reply.ok() && name ? *name : std::string();
  std::lock_guard lock(mutex_);
  toolkits_[bus] = toolkit;
  return toolkit;
}

std::vector<dbus::ObjectRef> AtspiBus::applications(double timeout) {
  const auto reply = call({kRegistry, kRootPath, kAccessible, "GetChildren", {}, {}}, timeout);
  std::vector<dbus::ObjectRef> apps;
  if (const auto* list = reply.first().list()) {
    for (const auto& v : *list) {
      if (const auto* o = v.object(); o && o->path != kNullPath) apps.push_back(*o);
    }
  }
  return apps;
}

std::optional<bool> AtspiBus::accessibilityEnabled() {
  std::shared_ptr<dbus::DBusClient> session;
  {
    std::lock_guard lock(mutex_);
    session = sessionBus();
  }
  if (!session) return std::nullopt;
  const auto reply = session->call({kA11yBus, kA11yBusPath, kProperties, "Get", {kStatus, "IsEnabled"}, {}}, 3000);
  if (!reply.ok()) return std::nullopt;
  return reply.first().boolean();
}

bool AtspiBus::enableAccessibility() {
  std::shared_ptr<dbus::DBusClient> session;
  {
    std::lock_guard lock(mutex_);
    session = sessionBus();
  }
  if (!session) return false;
  const auto reply =
      session->call({kA11yBus, kA11yBusPath, kProperties, "Set", {kStatus, "IsEnabled"}, true}, 3000);
  if (!reply.ok()) Log::write("Accessibility: cannot switch accessibility on (" + reply.errorName + ")");
  return reply.ok();
}

}  // namespace orvak::atspi
