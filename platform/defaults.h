// User defaults: the application's persistent key-value settings store.
//
// Each key holds one typed value: a Boolean, an integer, a double, a text, a list of texts, binary
// data or a date. The kinds are kept apart on disk and in memory, so a reader can tell "absent"
// from "present but of another kind" from a value: a stored "no" is a text, not a false, and a
// stored 1 is an integer, not a true.
//
// The whole store is one JSON file, replaced atomically on every change (a crash leaves the old
// file or the new one). A file that cannot be read as a store is moved aside, with a log line,
// and the store starts empty; nothing on disk is ever emptied by reading it. Entries this build
// cannot interpret are kept unchanged in the file and read as absent.
//
// Every member may be called from any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/base/json.h"

namespace orvak::platform {

using TextList = std::vector<std::string>;
using Data = std::vector<std::uint8_t>;
using Date = std::chrono::sys_time<std::chrono::milliseconds>;

// One stored value; std::monostate means absent.
using DefaultsValue =
    std::variant<std::monostate, bool, std::int64_t, double, std::string, TextList, Data, Date>;

class Defaults {
 public:
  // Opens the store kept in `file` (which need not exist yet). `beforeReplace` is passed to every
  // atomic write; tests use it to interrupt a save between the temporary file and the rename.
  explicit Defaults(std::filesystem::path file, std::function<void()> beforeReplace = {});
  Defaults(const Defaults&) = delete;
  Defaults& operator=(const Defaults&) = delete;

  // The process's standard store: "defaults.json" in $XDG_CONFIG_HOME/Orvak (default
  // ~/.config/Orvak), opened on first use and kept for the life of the process.
  static const std::shared_ptr<Defaults>& standard();
  static std::filesystem::path standardFile();

  const std::filesystem::path& file() const { return file_; }

  // The stored value, of whatever kind; std::monostate when absent.
  DefaultsValue object(const std::string& key) const;
  bool contains(const std::string& key) const;

  // Typed reads: nullopt when the key is absent or holds another kind. `number` also takes an
  // integer, as a double.
  std::optional<bool> boolean(const std::string& key) const;
  std::optional<std::int64_t> integer(const std::string& key) const;
  std::optional<double> number(const std::string& key) const;
  std::optional<std::string> text(const std::string& key) const;
  std::optional<TextList> textList(const std::string& key) const;
  std::optional<Data> data(const std::string& key) const;
  std::optional<Date> date(const std::string& key) const;

  // The flag reading: true only for a stored Boolean true; absent or any other kind is false.
  bool flag(const std::string& key) const;

  // Stores `value` under `key` and saves the file; std::monostate removes the key. A failed save
  // is logged and the value stays in memory; the next change tries again.
  void set(const std::string& key, DefaultsValue value);
  void remove(const std::string& key);

 private:
  void load();
  void moveAside(const std::string& reason);
  void saveLocked();

  const std::filesystem::path file_;
  const std::function<void()> beforeReplace_;
  mutable std::mutex mu_;
  std::map<std::string, DefaultsValue> values_;
  std::map<std::string, json::Json> uninterpreted_;  // written back unchanged
  bool writable_ = true;  // false when an unreadable file could not be moved out of the way
};

// The JSON form of one value in the store's file, and back (nullopt for a form this build does
// not know). Exposed for tests and tools.
json::Json encodeDefaultsValue(const DefaultsValue& value);
std::optional<DefaultsValue> decodeDefaultsValue(const json::Json& j);

}  // namespace orvak::platform
