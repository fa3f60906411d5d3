#include "tools/orvak-dev/options.h"

#include <algorithm>
#include <cmath>

namespace orvak::dev {

namespace {
bool among(std::initializer_list<std::string_view> names, const std::string& a) {
  return std::find(names.begin(), names.end(), a) != names.end();
}
}  // namespace

Options::Options(const Args& args, std::initializer_list<std::string_view> valued,
                 std::initializer_list<std::string_view> flags, std::size_t plain, std::size_t optionalPlain) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (among(valued, a)) {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      values_[a] = args[++i];
    } else if (among(flags, a)) {
      flags_.insert(a);
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option " + a);
    } else {
      plain_.push_back(a);
    }
  }
  if (plain_.size() < plain || plain_.size() > plain + optionalPlain) throw UsageError("wrong number of arguments");
}

std::optional<std::string> Options::value(std::string_view name) const {
  const auto it = values_.find(std::string(name));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::optional<double> Options::number(std::string_view name) const {
  const auto text = value(name);
  if (!text) return std::nullopt;
  std::size_t used = 0;
  double v = 0;
  try {
    v = std::stod(*text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text->size() || !std::isfinite(v)) {
    throw UsageError(std::string(name) + " wants a number, not \"" + *text + "\"");
  }
  return v;
}

}  // namespace orvak::dev
