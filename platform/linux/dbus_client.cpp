#include "platform/linux/dbus_client.h"

#include <dbus/dbus.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace orvak::dbus {

namespace {

void initThreads() {
  static std::once_flag once;
  std::call_once(once, [] { dbus_threads_init_default(); });
}

// Nesting is bounded: a reply from another program decides how deep it goes.
constexpr int kMaxDepth = 32;

Value decode(DBusMessageIter* it, int depth);

List decodeAll(DBusMessageIter* it, int depth) {
  List out;
  while (dbus_message_iter_get_arg_type(it) != DBUS_TYPE_INVALID) {
    out.push_back(decode(it, depth));
    dbus_message_iter_next(it);
  }
  return out;
}

Value decode(DBusMessageIter* it, int depth) {
  Value v;
  if (depth > kMaxDepth) return v;
  const int type = dbus_message_iter_get_arg_type(it);
  switch (type) {
    case DBUS_TYPE_BOOLEAN: {
      dbus_bool_t b = 0;
      dbus_message_iter_get_basic(it, &b);
      v.v = b != 0;
      break;
    }
    case DBUS_TYPE_BYTE: {
      unsigned char x = 0;
      dbus_message_iter_get_basic(it, &x);
      v.v = std::int64_t{x};
      break;
    }
    case DBUS_TYPE_INT16: {
      dbus_int16_t x = 0;
      dbus_message_iter_get_basic(it, &x);
      v.v = std::int64_t{x};
      break;
    }
    case DBUS_TYPE_UINT16: {
      dbus_uint16_t x = 0;
      dbus_message_iter_get_basic(it, &x);
      v.v = std::int64_t{x};
      break;
    }
    case DBUS_TYPE_INT32: {
      dbus_int32_t x = 0;
      dbus_message_iter_get_basic(it, &x);
      v.v = std::int64_t{x};
      break;
    }
    case DBUS_TYPE_UINT32: {
      dbus_uint32_t x = 0;
      dbus_message_iter_get_basic(it, &x);
      v.v = std::int64_t{x};
      break;
    }
    case DBUS_TYPE_INT64: {
      dbus_int64_t x = 0;
      dbus_message_iter_get_basic(it, &x);
      v.v = std::int64_t{x};
      break;
    }
    case DBUS_TYPE_UINT64: {
      dbus_uint64_t x = 0;
      dbus_message_iter_get_basic(it, &x);
      v.v = std::uint64_t{x};
      break;
    }
    case DBUS_TYPE_DOUBLE: {
      double x = 0;
      dbus_message_iter_get_basic(it, &x);
      v.v = x;
      break;
    }
    case DBUS_TYPE_STRING:
    case DBUS_TYPE_OBJECT_PATH:
    case DBUS_TYPE_SIGNATURE: {
      const char* s = nullptr;
      dbus_message_iter_get_basic(it, &s);
      v.v = std::string(s ? s : "");
      break;
    }
    case DBUS_TYPE_VARIANT: {
      DBusMessageIter inner;
      dbus_message_iter_recurse(it, &inner);
      return decode(&inner, depth + 1);
    }
    case DBUS_TYPE_STRUCT: {
      DBusMessageIter inner;
      dbus_message_iter_recurse(it, &inner);
      List fields = decodeAll(&inner, depth + 1);
      // (so): a reference to an object of some program.
      if (fields.size() == 2 && fields[0].text() && fields[1].text()) {
        char* sig = dbus_message_iter_get_signature(it);
        const bool objectRef = sig && std::string_view(sig) == "(so)";
        dbus_free(sig);
        if (objectRef) {
          v.v = ObjectRef{*fields[0].text(), *fields[1].text()};
          break;
        }
      }
      v.v = std::move(fields);
      break;
    }
    case DBUS_TYPE_ARRAY: {
      DBusMessageIter inner;
      dbus_message_iter_recurse(it, &inner);
      if (dbus_message_iter_get_element_type(it) == DBUS_TYPE_DICT_ENTRY) {
        // A dictionary of strings becomes a map; any other (a property list, a{sv}) a list of
        // [key, value] pairs, every entry kept.
        List pairs;
        bool allText = true;
        while (dbus_message_iter_get_arg_type(&inner) == DBUS_TYPE_DICT_ENTRY) {
          DBusMessageIter entry;
          dbus_message_iter_recurse(&inner, &entry);
          List kv = decodeAll(&entry, depth + 1);
          allText = allText && kv.size() == 2 && kv[0].text() && kv[1].text();
          pairs.push_back(Value{std::move(kv)});
          dbus_message_iter_next(&inner);
        }
        if (allText) {
          StringMap m;
          for (auto& pair : pairs) {
            auto& kv = std::get<List>(pair.v);
            m[std::move(std::get<std::string>(kv[0].v))] = std::move(std::get<std::string>(kv[1].v));
          }
          v.v = std::move(m);
        } else {
          v.v = std::move(pairs);
        }
        break;
      }
      v.v = decodeAll(&inner, depth + 1);
      break;
    }
    default:
      break;
  }
  return v;
}

// One overload per type an argument or a struct member can hold.
void appendValue(DBusMessageIter* it, std::int32_t i) {
  dbus_int32_t x = i;
  dbus_message_iter_append_basic(it, DBUS_TYPE_INT32, &x);
}
void appendValue(DBusMessageIter* it, std::uint32_t u) {
  dbus_uint32_t x = u;
  dbus_message_iter_append_basic(it, DBUS_TYPE_UINT32, &x);
}
void appendValue(DBusMessageIter* it, const std::string& s) {
  const char* p = s.c_str();
  dbus_message_iter_append_basic(it, DBUS_TYPE_STRING, &p);
}
void appendValue(DBusMessageIter* it, bool b) {
  dbus_bool_t x = b ? 1 : 0;
  dbus_message_iter_append_basic(it, DBUS_TYPE_BOOLEAN, &x);
}
template <typename T>
void appendArray(DBusMessageIter* it, const char* signature, const T& items) {
  DBusMessageIter array;
  dbus_message_iter_open_container(it, DBUS_TYPE_ARRAY, signature, &array);
  for (const auto& item : items) appendValue(&array, item);
  dbus_message_iter_close_container(it, &array);
}
void appendValue(DBusMessageIter* it, const std::vector<std::int32_t>& v) {
  appendArray(it, DBUS_TYPE_INT32_AS_STRING, v);
}
void appendValue(DBusMessageIter* it, const std::vector<std::string>& v) {
  appendArray(it, DBUS_TYPE_STRING_AS_STRING, v);
}
void appendValue(DBusMessageIter* it, const StringMap& map) {
  DBusMessageIter array;
  dbus_message_iter_open_container(it, DBUS_TYPE_ARRAY, "{ss}", &array);
  for (const auto& [key, value] : map) {
    DBusMessageIter entry;
    dbus_message_iter_open_container(&array, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    appendValue(&entry, key);
    appendValue(&entry, value);
    dbus_message_iter_close_container(&array, &entry);
  }
  dbus_message_iter_close_container(it, &array);
}
void appendValue(DBusMessageIter* it, const Struct& s) {
  DBusMessageIter fields;
  dbus_message_iter_open_container(it, DBUS_TYPE_STRUCT, nullptr, &fields);
  for (const Field& f : s.fields) std::visit([&](const auto& v) { appendValue(&fields, v); }, f);
  dbus_message_iter_close_container(it, &fields);
}

bool validUtf8(const std::string& s) { return dbus_validate_utf8(s.c_str(), nullptr); }

// Every string an argument holds is UTF-8.
bool validText(const Arg& arg) {
  if (const auto* s = std::get_if<std::string>(&arg)) return validUtf8(*s);
  const auto* st = std::get_if<Struct>(&arg);
  if (!st) return true;
  return std::all_of(st->fields.begin(), st->fields.end(), [](const Field& f) {
    if (const auto* s = std::get_if<std::string>(&f)) return validUtf8(*s);
    if (const auto* l = std::get_if<std::vector<std::string>>(&f)) return std::all_of(l->begin(), l->end(), validUtf8);
    if (const auto* m = std::get_if<StringMap>(&f)) {
      return std::all_of(m->begin(), m->end(), [](const auto& kv) { return validUtf8(kv.first) && validUtf8(kv.second); });
    }
    return true;
  });
}

struct MessageRef {
  DBusMessage* m;
  ~MessageRef() {
    if (m) dbus_message_unref(m);
  }
};

const std::string kNoReply = DBUS_ERROR_NO_REPLY;

}  // namespace

std::optional<std::int64_t> Value::integer() const {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
  if (const auto* u = std::get_if<std::uint64_t>(&v)) {
    if (*u <= static_cast<std::uint64_t>(INT64_MAX)) return static_cast<std::int64_t>(*u);
    return std::nullopt;
  }
  if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  return std::nullopt;
}

std::optional<double> Value::number() const {
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* u = std::get_if<std::uint64_t>(&v)) return static_cast<double>(*u);
  if (auto i = integer()) return static_cast<double>(*i);
  return std::nullopt;
}

std::optional<bool> Value::boolean() const {
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  return std::nullopt;
}

const Value& Reply::first() const {
  static const Value empty;
  return values.empty() ? empty : values.front();
}

List decodeArguments(DBusMessage* message) {
  DBusMessageIter it;
  if (!dbus_message_iter_init(message, &it)) return {};
  return decodeAll(&it, 0);
}

PendingReply::PendingReply(DBusPendingCall* call, DBusConnection* connection) : call_(call), connection_(connection) {
  if (connection_) dbus_connection_ref(connection_);
}

PendingReply::PendingReply(PendingReply&& o) noexcept
    : call_(std::exchange(o.call_, nullptr)), connection_(std::exchange(o.connection_, nullptr)) {}

PendingReply& PendingReply::operator=(PendingReply&& o) noexcept {
  if (this != &o) {
    if (call_) {
      dbus_pending_call_cancel(call_);
      dbus_pending_call_unref(call_);
    }
    if (connection_) dbus_connection_unref(connection_);
    call_ = std::exchange(o.call_, nullptr);
    connection_ = std::exchange(o.connection_, nullptr);
  }
  return *this;
}

PendingReply::~PendingReply() {
  if (call_) {
    dbus_pending_call_cancel(call_);
    dbus_pending_call_unref(call_);
  }
  if (connection_) dbus_connection_unref(connection_);
}

Reply PendingReply::wait() {
  Reply r;
  if (!call_) {
    r.errorName = DBUS_ERROR_DISCONNECTED;
    r.errorMessage = "not sent";
    return r;
  }
  if (!dbus_pending_call_get_completed(call_)) dbus_pending_call_block(call_);
  MessageRef reply{dbus_pending_call_steal_reply(call_)};
  dbus_pending_call_unref(call_);
  call_ = nullptr;
  // Without a main loop, replies to the other calls in flight wait in the connection's queue,
  // and every later wait searches that queue: hand them to their calls now.
  if (connection_) {
    while (dbus_connection_get_dispatch_status(connection_) == DBUS_DISPATCH_DATA_REMAINS) {
      dbus_connection_dispatch(connection_);
    }
  }
  if (!reply.m) {
    r.errorName = kNoReply;
    return r;
  }
  if (dbus_message_get_type(reply.m) == DBUS_MESSAGE_TYPE_ERROR) {
    const char* name = dbus_message_get_error_name(reply.m);
    r.errorName = name ? name : DBUS_ERROR_FAILED;
    const List args = decodeArguments(reply.m);
    if (!args.empty() && args[0].text()) r.errorMessage = *args[0].text();
    return r;
  }
  r.values = decodeArguments(reply.m);
  return r;
}

std::shared_ptr<DBusClient> DBusClient::connect(const std::string& address) {
  initThreads();
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* c = dbus_connection_open_private(address.c_str(), &error);
  if (!c) {
    std::string message = error.message ? error.message : "cannot connect";
    dbus_error_free(&error);
    throw DBusFailure("D-Bus: " + message);
  }
  // A closed connection must not end the program.
  dbus_connection_set_exit_on_disconnect(c, FALSE);
  if (!dbus_bus_register(c, &error)) {
    std::string message = error.message ? error.message : "cannot register";
    dbus_error_free(&error);
    dbus_connection_close(c);
    dbus_connection_unref(c);
    throw DBusFailure("D-Bus: " + message);
  }
  return std::shared_ptr<DBusClient>(new DBusClient(c));
}

std::shared_ptr<DBusClient> DBusClient::session() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!address || !*address) throw DBusFailure("D-Bus: no session bus (DBUS_SESSION_BUS_ADDRESS is not set)");
  return connect(address);
}

DBusClient::~DBusClient() {
  dbus_connection_close(connection_);
  dbus_connection_unref(connection_);
}

std::string DBusClient::uniqueName() const {
  const char* n = dbus_bus_get_unique_name(connection_);
  return n ? n : "";
}

bool appendArguments(DBusMessage* message, const std::vector<Arg>& args) {
  if (!std::all_of(args.begin(), args.end(), validText)) return false;
  DBusMessageIter it;
  dbus_message_iter_init_append(message, &it);
  for (const Arg& a : args) std::visit([&](const auto& v) { appendValue(&it, v); }, a);
  return true;
}

PendingReply DBusClient::send(const Call& call, int timeoutMs) {
  // libdbus aborts the program on an invalid name or path: check them first.
  if (!dbus_validate_bus_name(call.bus.c_str(), nullptr) || !dbus_validate_path(call.path.c_str(), nullptr) ||
      !dbus_validate_interface(call.interface.c_str(), nullptr) ||
      !dbus_validate_member(call.method.c_str(), nullptr)) {
    return PendingReply();
  }
  MessageRef m{dbus_message_new_method_call(call.bus.c_str(), call.path.c_str(), call.interface.c_str(),
                                            call.method.c_str())};
  if (!m.m || !appendArguments(m.m, call.args)) return PendingReply();
  DBusMessageIter it;
  dbus_message_iter_init_append(m.m, &it);
  if (call.setBool) {
    DBusMessageIter variant;
    dbus_message_iter_open_container(&it, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING, &variant);
    dbus_bool_t b = *call.setBool ? 1 : 0;
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &b);
    dbus_message_iter_close_container(&it, &variant);
  }
  DBusPendingCall* pending = nullptr;
  if (!dbus_connection_send_with_reply(connection_, m.m, &pending, timeoutMs < 1 ? 1 : timeoutMs) || !pending) {
    return PendingReply();
  }
  return PendingReply(pending, connection_);
}

}  // namespace orvak::dbus
