// Page text expiry: kept page texts are cleared some days after they were last heard, always
// after a warning, never when kept or when a saved item is on the page.
#include <limits>

#include "core/library/notes_store.h"

namespace orvak {

namespace {

constexpr double kDay = 86'400;
constexpr std::string_view kUnprotected = "(keep = 1 OR doc_key IN (SELECT DISTINCT doc_key FROM items))";

}  // namespace

std::optional<ExpiringPages> NotesStore::expiringSoon(std::int64_t keepDays, std::int64_t warnDays, Date now) {
  if (keepDays < 1) return std::nullopt;
  ExpiringPages pages;
  double oldest = std::numeric_limits<double>::max();
  {
    const SqlValue values[] = {now.sinceEpoch - static_cast<double>(keepDays - warnDays) * kDay};
    std::lock_guard guard(lock_);
    withStatement("SELECT doc_key, last FROM page_text WHERE last < ? AND warned IS NULL AND NOT " +
                      std::string(kUnprotected),
                  values, [&](SqlStatement& st) {
                    while (st.nextRow()) {
                      auto key = st.optText(0);
                      if (!key) continue;
                      pages.keys.push_back(std::move(*key));
                      oldest = std::min(oldest, st.real(1));
                    }
                  });
  }
  if (pages.keys.empty()) return std::nullopt;
  const double warnEnd = now.sinceEpoch + static_cast<double>(warnDays) * kDay;
  const double ageEnd = oldest + static_cast<double>(keepDays) * kDay;
  pages.oldest = Date{oldest};
  pages.clearOn = Date{ageEnd > warnEnd ? ageEnd : warnEnd};
  return pages;
}

void NotesStore::markWarned(const std::vector<std::string>& pageKeys, Date at) {
  for (const auto& key : pageKeys) tryWrite("UPDATE page_text SET warned = ? WHERE doc_key = ?", {at.sinceEpoch, key});
}

std::int64_t NotesStore::clearExpired(std::int64_t keepDays, std::int64_t warnDays, Date now) {
  if (keepDays < 1) return 0;
  const std::int64_t before = pageTextCount();
  tryWrite("DELETE FROM page_text WHERE last < ? AND warned IS NOT NULL AND warned < ? AND NOT " +
               std::string(kUnprotected),
           {now.sinceEpoch - static_cast<double>(keepDays) * kDay,
            now.sinceEpoch - static_cast<double>(warnDays) * kDay});
  return before - pageTextCount();
}

std::optional<ExpiringPages> NotesStore::pendingClear(std::int64_t keepDays, std::int64_t warnDays) {
  if (keepDays < 1) return std::nullopt;
  ExpiringPages pages;
  double oldest = std::numeric_limits<double>::max();
  double latestWarning = 0;
  {
    std::lock_guard guard(lock_);
    withStatement(
        "SELECT doc_key, last, warned FROM page_text WHERE warned IS NOT NULL AND keep = 0 AND doc_key NOT IN "
        "(SELECT DISTINCT doc_key FROM items)",
        {}, [&](SqlStatement& st) {
          while (st.nextRow()) {
            auto key = st.optText(0);
            if (!key) continue;
            pages.keys.push_back(std::move(*key));
            oldest = std::min(oldest, st.real(1));
            latestWarning = std::max(latestWarning, st.real(2));
          }
        });
  }
  if (pages.keys.empty()) return std::nullopt;
  const double ageEnd = oldest + static_cast<double>(keepDays) * kDay;
  const double warnEnd = latestWarning + static_cast<double>(warnDays) * kDay;
  pages.oldest = Date{oldest};
  pages.clearOn = Date{ageEnd > warnEnd ? ageEnd : warnEnd};
  return pages;
}

}  // namespace orvak
