// A small client of D-Bus over libdbus, made for talking to many objects of other programs
// quickly: calls are sent at once and their replies collected later, so several requests to one
// program cost one round trip rather than one each.
//
// Thread-safe: a `DBusClient` may be shared by any number of threads; each `PendingReply` is
// used by one thread at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

struct DBusConnection;
struct DBusPendingCall;
struct DBusMessage;

namespace orvak::dbus {

struct DBusFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// An object of some program: its connection's unique bus name and the object path.
struct ObjectRef {
  std::string bus;
  std::string path;
  bool operator==(const ObjectRef&) const = default;
  auto operator<=>(const ObjectRef&) const = default;
};

// A decoded reply value. Containers and structs become lists; a dictionary of strings stays a map.
struct Value;
using List = std::vector<Value>;
using StringMap = std::map<std::string, std::string>;
struct Value {
  std::variant<std::monostate, bool, std::int64_t, std::uint64_t, double, std::string, ObjectRef, List, StringMap> v;

  const std::string* text() const { return std::get_if<std::string>(&v); }
  const List* list() const { return std::get_if<List>(&v); }
  const StringMap* map() const { return std::get_if<StringMap>(&v); }
  const ObjectRef* object() const { return std::get_if<ObjectRef>(&v); }
  std::optional<std::int64_t> integer() const;  // any integer type, or a bool
  std::optional<double> number() const;         // integers too
  std::optional<bool> boolean() const;
};

// One member of a struct argument: a basic value or an array of them ("ai", "as", "a{ss}").
using Field = std::variant<std::int32_t, std::uint32_t, std::string, bool, std::vector<std::int32_t>,
                           std::vector<std::string>, StringMap>;
// A struct argument, such as the match rule "(aiia{ss}iaiiasib)" of a collection query.
struct Struct {
  std::vector<Field> fields;
};

// One argument of a call.
using Arg = std::variant<std::int32_t, std::uint32_t, std::string, bool, Struct>;

struct Call {
  std::string bus;
  std::string path;
  std::string interface;
  std::string method;
  std::vector<Arg> args;
  // Variant property value, for org.freedesktop.DBus.Properties.Set.
  std::optional<bool> setBool;
};

// What came back: the reply's arguments, or the error's name and message.
struct Reply {
  List values;
  std::string errorName;  // empty on success
  std::string errorMessage;
  bool ok() const { return errorName.empty(); }
  // The first argument, or an empty value.
  const Value& first() const;
};

class PendingReply {
 public:
  PendingReply() = default;
  PendingReply(PendingReply&&) noexcept;
  PendingReply& operator=(PendingReply&&) noexcept;
  PendingReply(const PendingReply&) = delete;
  PendingReply& operator=(const PendingReply&) = delete;
  ~PendingReply();

  // Blocks until the reply, an error or the call's time-out ("org.freedesktop.DBus.Error.NoReply").
  Reply wait();

 private:
  friend class DBusClient;
  PendingReply(DBusPendingCall* call, DBusConnection* connection);
  DBusPendingCall* call_ = nullptr;
  DBusConnection* connection_ = nullptr;
};

class DBusClient {
 public:
  // A private connection to the bus at `address`, registered with it. Throws DBusFailure.
  static std::shared_ptr<DBusClient> connect(const std::string& address);
  // The session bus of this login (DBUS_SESSION_BUS_ADDRESS). Throws DBusFailure.
  static std::shared_ptr<DBusClient> session();

  DBusClient(const DBusClient&) = delete;
  DBusClient& operator=(const DBusClient&) = delete;
  ~DBusClient();

  // Sends the call; the reply is awaited through the result. `timeoutMs` bounds the wait.
  PendingReply send(const Call& call, int timeoutMs);
  Reply call(const Call& c, int timeoutMs) { return send(c, timeoutMs).wait(); }
  // This connection's own unique name.
  std::string uniqueName() const;

 private:
  explicit DBusClient(DBusConnection* connection) : connection_(connection) {}
  DBusConnection* connection_;
};

// Decodes every argument of a message (exposed for tests of the decoder).
List decodeArguments(DBusMessage* message);
// Appends the arguments to a message being built; false when one holds a string that is not
// UTF-8, which libdbus would end the program for (exposed for tests of the encoder).
bool appendArguments(DBusMessage* message, const std::vector<Arg>& args);

}  // namespace orvak::dbus
