// Small helpers shared by the tests of the local library (notes database, research files,
// reading positions).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/base/log.h"
#include "core/library/research_item.h"
#include "tests/support/files.h"
#include "tests/support/log_tail.h"

namespace orvak::test {

// One day in seconds, the unit the libraries' retention and ages count in.
inline constexpr double kDay = 86400;

// A highlight saved at `ts` seconds since 1970 on a page with an address.
inline ResearchItem item(double ts, std::string quote, std::optional<std::string> url = "https://example.org/a") {
  ResearchItem i;
  i.ts = Date{ts};
  i.kind = ResearchItem::Kind::highlight;
  i.quote = std::move(quote);
  i.transcript = "highlight that";
  i.app = "Firefox";
  i.windowTitle = "Example page";
  i.url = std::move(url);
  i.engine = "apple";
  return i;
}

}  // namespace orvak::test

#include <sqlite3.h>

#include <stdexcept>
#include <vector>

namespace orvak::test {

// A second, plain connection to a database file, for looking behind the store's back.
class RawDb {
 public:
  explicit RawDb(const std::filesystem::path& file) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      throw std::runtime_error("cannot open " + file.string());
    }
  }
  ~RawDb() { sqlite3_close_v2(db_); }
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  void exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string m = err ? err : "?";
      sqlite3_free(err);
      throw std::runtime_error(m);
    }
  }
  // Column 0 of the first row as text ("<none>" without a row, "<null>" for NULL).
  std::string text(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db_));
    std::string out = "<none>";
    if (sqlite3_step(st) == SQLITE_ROW) {
      const auto* p = sqlite3_column_text(st, 0);
      out = p ? reinterpret_cast<const char*>(p) : "<null>";
    }
    sqlite3_finalize(st);
    return out;
  }
  long long integer(const std::string& sql) { return std::stoll(text(sql)); }
  // Column 0 of every row as text ("<null>" for NULL).
  std::vector<std::string> rows(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db_));
    std::vector<std::string> out;
    while (sqlite3_step(st) == SQLITE_ROW) {
      const auto* p = sqlite3_column_text(st, 0);
      out.emplace_back(p ? reinterpret_cast<const char*>(p) : "<null>");
    }
    sqlite3_finalize(st);
    return out;
  }

 private:
  sqlite3* db_ = nullptr;
};

// Column 0 of the first row of `sql` in the database file `db`, read beside the store.
inline std::string column(const std::filesystem::path& db, const std::string& sql) { return RawDb(db).text(sql); }

}  // namespace orvak::test
