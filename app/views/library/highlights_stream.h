// The Highlights page: everything saved while listening, newest first under one heading per day,
// with the three filter chips, or the empty state naming the hotkey.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "app/views/library/pane_scroll.h"

namespace orvak::views::library {

class HighlightsStream : public PaneScroll {
 public:
  explicit HighlightsStream(const PaneContext& ctx, QWidget* parent = nullptr);
  ~HighlightsStream() override;

  // Redraws from the models (they call it when the stream or filter change).
  void rebuild();

  PageHead* head() const { return head_; }
  const std::vector<Chip*>& chips() const { return chips_; }
  QWidget* emptyState() const { return empty_; }
  Text* emptyText() const { return emptyText_; }
  const std::vector<SavedCard*>& cards() const { return pool_.cards(); }
  QStringList headings() const;
  // The day headings' labels themselves, and the items of every row (its card made or not).
  const std::vector<Text*>& headingLabels() const { return headings_; }
  std::vector<StoredItem> rows() const { return pool_.items(); }

 private:
  PaneContext ctx_;
  CardPool pool_;
  PageHead* head_;
  std::vector<Chip*> chips_;
  QWidget* empty_;
  Text* emptyText_;
  QVBoxLayout* body_;
  std::vector<Text*> headings_;
  // What the headings and rows of the last full pass were laid out from: each row's id and time
  // saved, the day it was done on and the zone. While all three hold, the day headings and the
  // order of rows are the same, and a reload (a note edited) only redraws the cards that changed
  // instead of emptying and refilling a column of a thousand rows.
  struct Laid {
    std::vector<std::pair<std::int64_t, Date>> rows;
    Date now;
    dates::Zone zone;
  };
  std::optional<Laid> laid_;
  bool stillLaid(const std::vector<StoredItem>& shown, Date now) const;
  std::uint64_t libToken_ = 0, notesToken_ = 0, prefsToken_ = 0;
};

}  // namespace orvak::views::library
