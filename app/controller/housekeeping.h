// History housekeeping: kept page texts are cleared once they are older than the keep period,
// after a warning a week ahead that the user can answer with "Keep them". The database decides
// what is due; a pass asks it in order and says what it would tell the user.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/base/date_format.h"
#include "core/library/notes_store.h"

namespace orvak::HistoryHousekeeping {

// Days between the warning and the clearing.
inline constexpr std::int64_t kWarnDays = 7;

struct Pass {
  // Pages warned in this pass (now marked warned), with the notice's text for them.
  std::optional<ExpiringPages> warned;
  std::string notice;
  std::int64_t cleared = 0;
};

// Warns of what is due within the warning period, marking it warned, then clears what is due.
// `keepDays` below 1 keeps everything.
Pass run(NotesStore& notes, std::int64_t keepDays, Date now, const dates::Zone& zone = {});

// "3 listened pages clear on Mar 21": the clearing date as month and day in `zone`.
std::string noticeText(const ExpiringPages& pages, const dates::Zone& zone = {});

inline constexpr const char* kNoticeSub = "Nothing was saved from them. Keep them?";

}  // namespace orvak::HistoryHousekeeping
