// The connection to the desktop's accessibility bus, shared by every element of the AT-SPI
// backend: where requests go, how long they may take, and what their failures mean.
//
// Requests are plain D-Bus calls sent without waiting, so a caller can have several in flight
// and collect the replies afterwards (one round trip for all). libdbus is used with its thread
// support, so any queue may make requests at the same time; nothing here needs a thread of its
// own.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ax.h"
#include "platform/linux/dbus_client.h"

namespace orvak::atspi {

inline constexpr const char* kAccessible = "org.a11y.atspi.Accessible";
inline constexpr const char* kComponent = "org.a11y.atspi.Component";
inline constexpr const char* kText = "org.a11y.atspi.Text";
inline constexpr const char* kDocument = "org.a11y.atspi.Document";
inline constexpr const char* kCollection = "org.a11y.atspi.Collection";
inline constexpr const char* kAction = "org.a11y.atspi.Action";
inline constexpr const char* kValueInterface = "org.a11y.atspi.Value";
inline constexpr const char* kApplication = "org.a11y.atspi.Application";
inline constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
inline constexpr const char* kRootPath = "/org/a11y/atspi/accessible/root";
inline constexpr const char* kNullPath = "/org/a11y/atspi/null";
inline constexpr const char* kRegistry = "org.a11y.atspi.Registry";

// What a failed reply means for the caller: gone elements, time-outs, missing interfaces.
ax::Error errorOf(const dbus::Reply& reply);
// The state set of a GetState reply (two 32-bit words) as one bit mask.
std::uint64_t stateBits(const dbus::Value& states);

class AtspiBus {
 public:
  // The time-out a request gets when neither its element nor the process set one.
  static constexpr double kDefaultTimeout = 6.0;

  AtspiBus() = default;
  AtspiBus(const AtspiBus&) = delete;
  AtspiBus& operator=(const AtspiBus&) = delete;

  // The accessibility bus, connecting on first use; none when this session has none (no
  // session bus, no bus launcher). A failed attempt is retried at most once a second.
  std::shared_ptr<dbus::DBusClient> client();

  // Sends a call to the accessibility bus, bounded by `timeout` seconds (0: the process-wide
  // time-out). The reply of a call that could not be sent is an error reply.
  dbus::PendingReply send(const dbus::Call& call, double timeout);
  dbus::Reply call(const dbus::Call& c, double timeout) { return send(c, timeout).wait(); }

  // The process-wide time-out; 0 restores the default.
  void setDefaultTimeout(double seconds);
  double effectiveTimeout(double own) const;

  // The process behind a bus name on the accessibility bus (asked once per name).
  std::optional<pid_t> pidOf(const std::string& bus, double timeout);
  // The toolkit behind a bus name on the accessibility bus (asked once per name; empty when it
  // does not say).
  std::string toolkitOf(const std::string& bus, double timeout);
  // The applications registered with the desktop, as their root objects.
  std::vector<dbus::ObjectRef> applications(double timeout);

  // org.a11y.Status IsEnabled on the session bus: whether programs expose their windows.
  std::optional<bool> accessibilityEnabled();
  bool enableAccessibility();

  // D-Bus calls sent so far.
  std::uint64_t requestCount() const { return requests_.load(); }
  // The same by what they asked: "Accessible.GetRole", "Properties.GetAll" ...
  std::map<std::string, std::uint64_t> requestsByMethod() const;

 private:
  std::mutex mutex_;
  std::shared_ptr<dbus::DBusClient> client_;
  std::shared_ptr<dbus::DBusClient> session_;
  std::uint64_t lastAttemptNs_ = 0;
  bool attempted_ = false;
  std::map<std::string, pid_t> pids_;
  std::map<std::string, std::string> toolkits_;
  std::atomic<double> defaultTimeout_{0};
  std::atomic<std::uint64_t> requests_{0};
  mutable std::mutex countsMutex_;
  std::map<std::string, std::uint64_t> requestsByMethod_;

  std::shared_ptr<dbus::DBusClient> sessionBus();
};

}  // namespace orvak::atspi
