#include "app/controller/housekeeping.h"

namespace orvak::HistoryHousekeeping {

Pass run(NotesStore& notes, std::int64_t keepDays, Date now, const dates::Zone& zone) {
  Pass pass;
  if (auto due = notes.expiringSoon(keepDays, kWarnDays, now); due && !due->keys.empty()) {
    // Marked at once: the warning is shown once per page, whether or not anyone answers it.
    notes.markWarned(due->keys, now);
    pass.notice = noticeText(*due, zone);
    pass.warned = std::move(due);
  }
  pass.cleared = notes.clearExpired(keepDays, kWarnDays, now);
  return pass;
}

std::string noticeText(const ExpiringPages& pages, const dates::Zone& zone) {
  const std::size_t n = pages.keys.size();
  return std::to_string(n) + " listened page" + (n == 1 ? "" : "s") + " clear on " +
         dates::skeleton(pages.clearOn, "MMMd", zone);
}

}  // namespace orvak::HistoryHousekeeping
