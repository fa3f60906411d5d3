#include "platform/defaults.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

#include "core/base/atomic_file.h"
#include "core/base/base64.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/base/read_file.h"

namespace orvak::platform {

namespace fs = std::filesystem;

// File form of the kinds JSON cannot tell apart by itself: {"data": base64}, {"date": integer
// milliseconds since 1970 UTC}, and {"double": "nan" | "inf" | "-inf"} for non-finite doubles.
// Every other kind is plain JSON: true/false, an integer, a number with a fraction or exponent
// (nlohmann always writes doubles that way, so 2.0 stays a double), a string, an array of strings.
json::Json encodeDefaultsValue(const DefaultsValue& value) {
  return std::visit(
      [](const auto& v) -> json::Json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return nullptr;
        } else if constexpr (std::is_same_v<T, double>) {
          if (std::isnan(v)) return json::Json{{"double", "nan"}};
          if (std::isinf(v)) return json::Json{{"double", v > 0 ? "inf" : "-inf"}};
          return v;
        } else if constexpr (std::is_same_v<T, Data>) {
          return json::Json{{"data", base64::encode(v)}};
        } else if constexpr (std::is_same_v<T, Date>) {
          return json::Json{{"date", v.time_since_epoch().count()}};
        } else {
          return v;
        }
      },
      value);
}

std::optional<DefaultsValue> decodeDefaultsValue(const json::Json& j) {
  switch (j.type()) {
    case json::Json::value_t::boolean:
      return j.get<bool>();
    case json::Json::value_t::number_integer:
      return j.get<std::int64_t>();
    case json::Json::value_t::number_unsigned:
      if (j.get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return std::nullopt;
      }
      return static_cast<std::int64_t>(j.get<std::uint64_t>());
    case json::Json::value_t::number_float:
      return j.get<double>();
    case json::Json::value_t::string:
      return j.get<std::string>();
    case json::Json::value_t::array: {
      TextList list;
      list.reserve(j.size());
      for (const auto& e : j) {
        if (!e.is_string()) return std::nullopt;
        list.push_back(e.get<std::string>());
      }
      return list;
    }
    case json::Json::value_t::object: {
      if (j.size() != 1) return std::nullopt;
      const auto it = j.begin();
      const std::string& tag = it.key();
      const json::Json& inner = it.value();
      if (tag == "data" && inner.is_string()) {
        if (auto bytes = base64::decode(inner.get<std::string>())) return *std::move(bytes);
      } else if (tag == "date" && inner.is_number_integer()) {
        return Date(std::chrono::milliseconds(inner.get<std::int64_t>()));
      } else if (tag == "double" && inner.is_string()) {
        const auto s = inner.get<std::string>();
        if (s == "nan") return std::numeric_limits<double>::quiet_NaN();
        if (s == "inf") return std::numeric_limits<double>::infinity();
        if (s == "-inf") return -std::numeric_limits<double>::infinity();
      }
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

fs::path Defaults::standardFile() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // An XDG variable that is not absolute is to be ignored, as the base directory rules say.
  const fs::path base = (xdg != nullptr && fs::path(xdg).is_absolute())
                            ? fs::path(xdg)
                            : OrvakPaths::home() / ".config";
  return base / "Orvak" / "defaults.json";
}

const std::shared_ptr<Defaults>& Defaults::standard() {
  static const std::shared_ptr<Defaults> store = std::make_shared<Defaults>(standardFile());
  return store;
}

Defaults::Defaults(fs::path file, std::function<void()> beforeReplace)
    : file_(std::move(file)), beforeReplace_(std::move(beforeReplace)) {
  load();
}

void Defaults::load() {
  const auto file = readFile(file_);
  if (file.status == FileContents::Status::missing) return;  // no settings yet
  if (!file.ok()) {
    // What we could not read we must not write over: the file stays as it is, and this
    // session's changes live in memory only.
    writable_ = false;
    Log::write("defaults: cannot read " + file_.string() + " (" + file.error + "); changes will not be saved");
    return;
  }
  json::Json root;
  try {
    root = json::parse(file.bytes);
  } catch (const json::DecodeError& e) {
    moveAside(e.what());
    return;
  }
  if (!root.is_object()) {
    moveAside("not a JSON object");
    return;
  }
  for (const auto& [key, raw] : root.items()) {
    if (auto v = decodeDefaultsValue(raw); v && !std::holds_alternative<std::monostate>(*v)) {
      values_.emplace(key, std::move(*v));
    } else {
      uninterpreted_.emplace(key, raw);
    }
  }
}

// Keeps the unreadable file for the user or a developer to look at and lets the store start
// afresh. Should the move fail, the store keeps its changes in memory only, so the file is
// never overwritten.
void Defaults::moveAside(const std::string& reason) {
  const fs::path aside =
      file_.string() + ".unreadable-" + std::to_string(dispatch::wallMillis());
  std::error_code ec;
  fs::rename(file_, aside, ec);
  if (ec) {
    writable_ = false;
    Log::write("defaults: " + file_.string() + " is unreadable (" + reason +
               ") and could not be moved aside (" + ec.message() + "); changes will not be saved");
    return;
  }
  Log::write("defaults: " + file_.string() + " is unreadable (" + reason + "); moved to " +
             aside.string() + ", starting with no settings");
}

DefaultsValue Defaults::object(const std::string& key) const {
  std::lock_guard lock(mu_);
  auto it = values_.find(key);
  return it == values_.end() ? DefaultsValue{} : it->second;
}

bool Defaults::contains(const std::string& key) const {
  std::lock_guard lock(mu_);
  return values_.contains(key);
}

namespace {
template <class T>
std::optional<T> as(const DefaultsValue& v) {
  if (const T* p = std::get_if<T>(&v)) return *p;
  return std::nullopt;
}
}  // namespace

std::optional<bool> Defaults::boolean(const std::string& key) const { return as<bool>(object(key)); }
std::optional<std::int64_t> Defaults::integer(const std::string& key) const {
  return as<std::int64_t>(object(key));
}
std::optional<double> Defaults::number(const std::string& key) const {
  const DefaultsValue v = object(key);
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  return as<double>(v);
}
std::optional<std::string> Defaults::text(const std::string& key) const {
  return as<std::string>(object(key));
}
std::optional<TextList> Defaults::textList(const std::string& key) const {
  return as<TextList>(object(key));
}
std::optional<Data> Defaults::data(const std::string& key) const { return as<Data>(object(key)); }
std::optional<Date> Defaults::date(const std::string& key) const { return as<Date>(object(key)); }

bool Defaults::flag(const std::string& key) const { return boolean(key).value_or(false); }

void Defaults::set(const std::string& key, DefaultsValue value) {
  std::lock_guard lock(mu_);
  uninterpreted_.erase(key);
  if (std::holds_alternative<std::monostate>(value)) {
    values_.erase(key);
  } else {
    values_.insert_or_assign(key, std::move(value));
  }
  saveLocked();
}

void Defaults::remove(const std::string& key) { set(key, std::monostate{}); }

// Saving under the lock keeps the file in step with memory: two threads setting at once can
// never leave the older state on disk after the newer one.
void Defaults::saveLocked() {
  if (!writable_) return;
  json::Json root = uninterpreted_;
  if (root.is_null()) root = json::Json::object();
  for (const auto& [key, value] : values_) root[key] = encodeDefaultsValue(value);
  std::string text = json::dumpPretty(root);
  text.push_back('\n');
  try {
    writeFileAtomically(file_, text, beforeReplace_);
  } catch (const std::exception& e) {
    Log::write(std::string("defaults: cannot save: ") + e.what());
  }
}

}  // namespace orvak::platform
