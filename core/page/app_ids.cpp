#include "core/page/app_ids.h"

#include <algorithm>

#include "core/text/text.h"

namespace orvak::AppIds {

namespace {
constexpr std::string_view kEntryEnding = ".desktop";
}  // namespace

std::string normalized(std::string_view id) {
  std::string out = text::lowercase(id);
  if (out.size() > kEntryEnding.size() && out.ends_with(kEntryEnding)) out.resize(out.size() - kEntryEnding.size());
  return out;
}

bool same(std::string_view a, std::string_view b) { return normalized(a) == normalized(b); }

bool isOneOf(const std::optional<std::string>& id, std::span<const std::string_view> table) {
  return id && std::any_of(table.begin(), table.end(), [&](std::string_view known) { return same(*id, known); });
}

}  // namespace orvak::AppIds
