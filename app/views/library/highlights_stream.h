// The Highlights page: everything saved while listening, newest first under one heading per day,
// with the three filter chips, or the empty state naming the hotkey.
#pragma once

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

 private:
  PaneContext ctx_;
  CardPool pool_;
  PageHead* head_;
  std::vector<Chip*> chips_;
  QWidget* empty_;
  Text* emptyText_;
  QVBoxLayout* body_;
  std::vector<Text*> headings_;
  std::uint64_t libToken_ = 0, notesToken_ = 0, prefsToken_ = 0;
};

}  // namespace orvak::views::library
