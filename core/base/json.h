// JSON conventions for every record the system writes or reads.
//
// Encoding: keys sorted (nlohmann's default object), "/" not escaped, compact; absent optionals
// are left out, never written as null; a non-finite number is written as absent (optional) or 0
// (required); invalid UTF-8 in any text becomes U+FFFD instead of throwing.
//
// Decoding is strict: a required key must be present, a present key must have the right type,
// integers reject 2.5 (and 2.0), booleans reject 0 and 1, and the members of lists and of maps
// with text keys are checked alike. Failures throw `json::DecodeError`.
//
// A record lists its fields once, and both directions walk that list:
//     void fields(json::Record<Rec> auto& r, auto&& f) {
//       f("email", r.email);                        // json::put to write, json::read to read
//       f("depth", r.depth, json::orElse(0));       // an entry may carry its conversion
//     }
//     void to_json(json::Json& j, const Rec& r) { json::writeFields(j, r); }
//     void from_json(const json::Json& j, Rec& r) { json::readFields(j, r); }
// beside the record, in its namespace (not in an unnamed one nested inside it): argument-dependent
// lookup finds `fields` there, as nlohmann finds the to_json and from_json that the record's
// header declares. Entries are read in the order listed, which decides the fault a bad document
// reports when it has several.
//
// A conversion is any object with `put(j, key, value)` and `read(j, key, out)`; json::orElse (a
// default when absent) and json::byName (an enum stored by name) are the common ones. A record
// whose shape no list fits writes to_json/from_json by hand with json::put and json::get /
// getOptional / getOr.
#pragma once

#include <cmath>
#include <concepts>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/base/json_fwd.h"

namespace orvak::json {

struct DecodeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Compact text: sorted keys, "/" unescaped, invalid UTF-8 replaced by U+FFFD.
std::string dump(const Json& j);
// The same, indented by two spaces (for people reading it).
std::string dumpPretty(const Json& j);
// Documents nested deeper than this (arrays and objects) are refused, so nothing that walks a
// parsed document can run out of stack.
inline constexpr int maxDepth = 512;

// Parses text; every failure (malformed text, a number beyond a double, nesting deeper than
// maxDepth) throws DecodeError with the parser's message.
Json parse(std::string_view text);

namespace detail {

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};

template <class T>
constexpr bool isStrictInteger = std::is_integral_v<T> && !std::is_same_v<T, bool>;

[[noreturn]] void fail(std::string_view key, std::string_view what);

// Checks the JSON value against T before conversion, as the records require.
template <class T>
void checkType(const Json& v, std::string_view key) {
  if constexpr (std::is_same_v<T, bool>) {
    if (!v.is_boolean()) fail(key, "expected a boolean");
  } else if constexpr (isStrictInteger<T>) {
    if (!v.is_number_integer()) fail(key, "expected an integer");
    // Values outside the field's range are errors, never wrapped.
    const bool fits = v.is_number_unsigned()
                          ? std::in_range<T>(v.get<std::uint64_t>())
                          : std::in_range<T>(v.get<std::int64_t>());
    if (!fits) {
      if (std::is_unsigned_v<T> && !v.is_number_unsigned() && v.get<std::int64_t>() < 0) {
        fail(key, "expected a non-negative integer");
      }
      fail(key, "integer out of range");
    }
  } else if constexpr (std::is_floating_point_v<T>) {
    if (!v.is_number()) fail(key, "expected a number");
  } else if constexpr (std::is_same_v<T, std::string>) {
    if (!v.is_string()) fail(key, "expected a string");
  } else if constexpr (requires { typename T::value_type; } && !std::is_same_v<T, std::string> &&
                       requires(T t) { t.push_back(std::declval<typename T::value_type>()); }) {
    if (!v.is_array()) fail(key, "expected an array");
    for (const auto& e : v) checkType<typename T::value_type>(e, key);
  } else if constexpr (requires {
                         typename T::mapped_type;
                         requires std::is_same_v<typename T::key_type, std::string>;
                       }) {
    if (!v.is_object()) fail(key, "expected an object");
    for (const auto& e : v) checkType<typename T::mapped_type>(e, key);
  } else {
    (void)v;
    (void)key;  // records check themselves in their own from_json
  }
}

template <class T>
T convert(const Json& v, std::string_view key) {
  checkType<T>(v, key);
  try {
    return v.get<T>();
  } catch (const DecodeError&) {
    throw;
  } catch (const std::exception& e) {
    fail(key, e.what());
  }
}

}  // namespace detail

// Writes `value` under `key`. Optionals that are absent are left out; non-finite doubles become
// 0 when required and absent when optional.
template <class T>
void put(Json& j, const char* key, const T& value) {
  if constexpr (detail::IsOptional<T>::value) {
    if (!value) return;
    if constexpr (std::is_floating_point_v<typename T::value_type>) {
      if (!std::isfinite(*value)) return;
    }
    j[key] = *value;
  } else if constexpr (std::is_floating_point_v<T>) {
    j[key] = std::isfinite(value) ? value : T(0);
  } else {
    j[key] = value;
  }
}

// Reads a required member strictly.
template <class T>
T get(const Json& j, const char* key) {
  if (!j.is_object()) detail::fail(key, "expected an object");
  auto it = j.find(key);
  if (it == j.end()) detail::fail(key, "missing");
  return detail::convert<T>(*it, key);
}

// Reads an optional member: absent or null gives nullopt; a present value must have the type.
template <class T>
std::optional<T> getOptional(const Json& j, const char* key) {
  if (!j.is_object()) detail::fail(key, "expected an object");
  auto it = j.find(key);
  if (it == j.end() || it->is_null()) return std::nullopt;
  return detail::convert<T>(*it, key);
}

// Reads a member that may be absent, falling back to `fallback` (a present value is still strict).
template <class T>
T getOr(const Json& j, const char* key, T fallback) {
  auto v = getOptional<T>(j, key);
  return v ? std::move(*v) : std::move(fallback);
}

// Reads `key` into `out`: strictly required for plain fields, absent-or-typed for optionals.
template <class T>
void read(const Json& j, const char* key, T& out) {
  if constexpr (detail::IsOptional<T>::value) {
    out = getOptional<typename T::value_type>(j, key);
  } else {
    out = get<T>(j, key);
  }
}

// Satisfied by Rec and const Rec: a record's field list takes it const to write and not to read.
template <class Self, class Rec>
concept Record = std::same_as<std::remove_const_t<Self>, Rec>;

// An entry that may be absent: `fallback` stands in for it when read (a present value is still
// strict); it is always written.
template <class V>
struct OrElse {
  V fallback;
  template <class T>
  void put(Json& j, const char* key, const T& value) const {
    json::put(j, key, value);
  }
  template <class T>
  void read(const Json& j, const char* key, T& out) const {
    out = getOr<T>(j, key, T(fallback));
  }
};
template <class V>
OrElse<V> orElse(V fallback) {
  return {std::move(fallback)};
}

// An entry written as its name: `name(value)` gives the text, `fromName(text)` the value back (and
// throws DecodeError for a name it does not know).
template <class Name, class FromName>
struct ByName {
  Name name;
  FromName fromName;
  template <class T>
  void put(Json& j, const char* key, const T& value) const {
    json::put(j, key, std::string(name(value)));
  }
  template <class T>
  void read(const Json& j, const char* key, T& out) const {
    out = fromName(get<std::string>(j, key));
  }
};
template <class Name, class FromName>
ByName<Name, FromName> byName(Name name, FromName fromName) {
  return {std::move(name), std::move(fromName)};
}

namespace detail {

// What a field list calls each entry with, one for each direction.
struct FieldWriter {
  Json& j;
  template <class T>
  void operator()(const char* key, const T& value) const {
    json::put(j, key, value);
  }
  template <class T, class Conversion>
  void operator()(const char* key, const T& value, const Conversion& conversion) const {
    conversion.put(j, key, value);
  }
};

struct FieldReader {
  const Json& j;
  template <class T>
  void operator()(const char* key, T& out) const {
    json::read(j, key, out);
  }
  template <class T, class Conversion>
  void operator()(const char* key, T& out, const Conversion& conversion) const {
    conversion.read(j, key, out);
  }
};

}  // namespace detail

// A record's to_json and from_json in terms of its field list (see the top of this file).
template <class Rec>
void writeFields(Json& j, const Rec& r) {
  j = Json::object();
  fields(r, detail::FieldWriter{j});
}
template <class Rec>
void readFields(const Json& j, Rec& r) {
  fields(r, detail::FieldReader{j});
}

// Encodes any record with a to_json as one compact line (no trailing line feed).
template <class T>
std::string encode(const T& record) {
  Json j = record;
  return dump(j);
}

// Decodes a record from text strictly; throws DecodeError.
template <class T>
T decode(std::string_view text) {
  const Json j = parse(text);
  try {
    return j.get<T>();
  } catch (const DecodeError&) {
    throw;
  } catch (const std::exception& e) {
    throw DecodeError(e.what());
  }
}

}  // namespace orvak::json
