// Reads and writes the user defaults: the only way to set the developer flags ("developer",
// "debugControl", "apiBase"), which have no switch in the settings window.
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "core/base/base64.h"
#include "core/base/json.h"
#include "core/base/log.h"
#include "platform/defaults.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

namespace {

using platform::DefaultsValue;

int usage() {
  std::fprintf(stderr,
               "usage: orvak-dev defaults                      print the whole store\n"
               "       orvak-dev defaults read KEY             print one value\n"
               "       orvak-dev defaults write KEY -bool true|false | -int N | -float X |\n"
               "                                -string TEXT | -array TEXT... | -data BASE64 |\n"
               "                                -date MILLISECONDS\n"
               "       orvak-dev defaults delete KEY\n");
  return 2;
}

template <class T>
std::optional<T> parseNumber(const std::string& s) {
  try {
    std::size_t used = 0;
    T v{};
    if constexpr (std::is_same_v<T, double>) {
      v = std::stod(s, &used);
    } else {
      v = std::stoll(s, &used);
    }
    if (used == s.size()) return v;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

// The value a `write` names, or nullopt when the kind and the text do not fit.
std::optional<DefaultsValue> valueFrom(const std::string& kind, const Args& rest) {
  if (kind == "-array") return platform::TextList(rest.begin(), rest.end());
  if (rest.size() != 1) return std::nullopt;
  const std::string& text = rest[0];
  if (kind == "-bool") {
    if (text == "true" || text == "yes" || text == "1") return true;
    if (text == "false" || text == "no" || text == "0") return false;
    return std::nullopt;
  }
  if (kind == "-int") {
    if (auto v = parseNumber<long long>(text)) return std::int64_t{*v};
    return std::nullopt;
  }
  if (kind == "-float") {
    if (auto v = parseNumber<double>(text)) return *v;
    return std::nullopt;
  }
  if (kind == "-string") return text;
  if (kind == "-data") {
    if (auto bytes = base64::decode(text)) return *bytes;
    return std::nullopt;
  }
  if (kind == "-date") {
    if (auto ms = parseNumber<long long>(text)) return platform::Date(std::chrono::milliseconds(*ms));
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

int runDefaults(const Args& args) {
  platform::Defaults& d = *platform::Defaults::standard();
  if (args.empty()) {
    std::printf("%s\n", d.file().c_str());
    std::FILE* in = std::fopen(d.file().c_str(), "rb");
    if (in == nullptr) return 0;  // nothing stored yet
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) std::fwrite(buf, 1, n, stdout);
    std::fclose(in);
    return 0;
  }
  const std::string& verb = args[0];
  if (verb == "read" && args.size() == 2) {
    const DefaultsValue v = d.object(args[1]);
    if (std::holds_alternative<std::monostate>(v)) {
      std::fprintf(stderr, "orvak-dev defaults: no value for \"%s\"\n", args[1].c_str());
      return 1;
    }
    std::printf("%s\n", json::dump(platform::encodeDefaultsValue(v)).c_str());
    return 0;
  }
  if (verb == "delete" && args.size() == 2) {
    d.remove(args[1]);
    Log::flush();  // a failed save is reported through the log, which also prints to stderr
    return 0;
  }
  if (verb == "write" && args.size() >= 3) {
    const auto value = valueFrom(args[2], Args(args.begin() + 3, args.end()));
    if (!value) return usage();
    d.set(args[1], *value);
    Log::flush();
    return 0;
  }
  return usage();
}

}  // namespace orvak::dev
