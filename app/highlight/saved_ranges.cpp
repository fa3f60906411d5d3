#include "app/highlight/saved_ranges.h"

#include "core/library/notes_store.h"
#include "core/library/position_store.h"
#include "core/page/selection.h"

namespace orvak {

std::vector<text::GraphemeRange> savedRanges(const Capture& capture, NotesStore* notes) {
  if (capture.isPrivate || notes == nullptr) return {};
  // Saved items are keyed by the application's name, not its identifier.
  const auto key = PositionStore::key(capture.url, capture.appName, capture.windowTitle);
  if (!key) return {};
  std::vector<text::GraphemeRange> ranges;
  for (const StoredItem& stored : notes->items(*key)) {
    if (stored.item.kind != ResearchItem::Kind::highlight) continue;
    if (const auto range = Selection::locate(stored.item.quote, capture.clean.text)) ranges.push_back(*range);
  }
  return ranges;
}

}  // namespace orvak
