// The values a notes-database statement may bind and the row reader its bodies use.
//
// Bind values are a closed set (integer, double, text, null): any other type is a compile error
// rather than a silent NULL, so a date or a flag has to be converted on purpose (seconds since
// 1970, 0 or 1) at the call site.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace orvak {

class SqlValue {
 public:
  using Variant = std::variant<std::monostate, std::int64_t, double, std::string>;

  SqlValue(std::nullptr_t) {}
  SqlValue(std::nullopt_t) {}
  SqlValue(int v) : v_(std::int64_t{v}) {}
  SqlValue(long v) : v_(std::int64_t{v}) {}
  SqlValue(long long v) : v_(static_cast<std::int64_t>(v)) {}
  SqlValue(double v) : v_(v) {}
  SqlValue(std::string v) : v_(std::move(v)) {}
  SqlValue(std::string_view v) : v_(std::string(v)) {}
  SqlValue(const char* v) : v_(std::string(v)) {}
  SqlValue(const std::optional<std::string>& v) {
    if (v) v_ = *v;
  }
  SqlValue(const std::optional<std::int64_t>& v) {
    if (v) v_ = *v;
  }
  SqlValue(const std::optional<double>& v) {
    if (v) v_ = *v;
  }
  // bool, unsigned sizes, dates, anything else: convert explicitly first.
  template <class T>
  SqlValue(T) = delete;

  const Variant& value() const { return v_; }

 private:
  Variant v_;
};

// A prepared statement as a body sees it: step through rows and read columns by index.
class SqlStatement {
 public:
  explicit SqlStatement(sqlite3_stmt* s) : s_(s) {}

  // SQLite's step result: SQLITE_ROW (100), SQLITE_DONE (101) or an error code.
  int step() { return sqlite3_step(s_); }
  bool nextRow() { return step() == SQLITE_ROW; }

  bool isNull(int col) const { return sqlite3_column_type(s_, col) == SQLITE_NULL; }
  std::int64_t integer(int col) const { return sqlite3_column_int64(s_, col); }
  double real(int col) const { return sqlite3_column_double(s_, col); }
  // Text of a column; NULL reads as "".
  std::string text(int col) const {
    const auto* p = sqlite3_column_text(s_, col);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(s_, col)))
             : std::string();
  }
  std::optional<std::string> optText(int col) const {
    if (isNull(col)) return std::nullopt;
    return text(col);
  }
  std::optional<std::int64_t> optInteger(int col) const {
    if (isNull(col)) return std::nullopt;
    return integer(col);
  }
  std::optional<double> optReal(int col) const {
    if (isNull(col)) return std::nullopt;
    return real(col);
  }

  sqlite3_stmt* handle() const { return s_; }

 private:
  sqlite3_stmt* s_;
};

}  // namespace orvak
