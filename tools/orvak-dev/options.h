// The arguments of one workbench command: plain arguments (a file, a text), flags such as
// "--mute", and options with a value such as "--speed 1.5".
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

// The arguments do not fit the command's usage; the command prints its usage line.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Options {
 public:
  // Throws UsageError for an unknown option, an option without its value, or a count of plain
  // arguments outside `plain` to `plain + optionalPlain`.
  Options(const Args& args, std::initializer_list<std::string_view> valued,
          std::initializer_list<std::string_view> flags, std::size_t plain = 1, std::size_t optionalPlain = 0);

  const std::vector<std::string>& plain() const { return plain_; }
  bool flag(std::string_view name) const { return flags_.count(std::string(name)) != 0; }
  std::optional<std::string> value(std::string_view name) const;
  // The option's value as a finite number; throws UsageError naming the option otherwise.
  std::optional<double> number(std::string_view name) const;

 private:
  std::vector<std::string> plain_;
  std::set<std::string> flags_;
  std::map<std::string, std::string> values_;
};

}  // namespace orvak::dev
