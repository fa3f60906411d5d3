// What the library panes are built on: a scrolling column with the panes' margins and width, and
// a pool that keeps one saved card per row id across reloads, so a reload after one edit redraws
// one card instead of the whole pane.
#pragma once

#include <QScrollArea>
#include <QVBoxLayout>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "app/views/library/cards.h"

namespace orvak::views::library {

class PaneScroll : public QScrollArea {
 public:
  // A column padded 36 at the sides, 22 above and 70 below, at most `maxWidth` wide, at the
  // leading edge.
  explicit PaneScroll(int maxWidth, QWidget* parent = nullptr);
  QVBoxLayout* column() const { return column_; }
  QWidget* content() const { return content_; }
  void setMaxWidth(int maxWidth);

  // Empties a layout: pooled cards are kept for the next pass, anything else goes (later, since it
  // may be the sender of the click that led here).
  static void clear(QLayout* layout);
  // Sizes the column for the viewport's width (done on every resize and change of layout).
  void fit();

 protected:
  void resizeEvent(QResizeEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent*) override;

 private:
  int maxWidth_;
  QWidget* content_;
  QVBoxLayout* column_;
};

class CardPool {
 public:
  explicit CardPool(PaneContext ctx) : ctx_(std::move(ctx)) {}
  // Starts a pass: cards not asked for before `end` are let go.
  void begin();
  // The row's card, reused when it has one with the same number; its contents brought up to date.
  SavedCard* card(const StoredItem& s, std::optional<std::int64_t> number, bool timeOnly, QWidget* parent);
  void end();
  // Every card follows the notes model's `editing`.
  void syncEditing();
  // The cards of the last pass, in the order asked for.
  const std::vector<SavedCard*>& cards() const { return order_; }

 private:
  PaneContext ctx_;
  std::map<std::int64_t, SavedCard*> cards_;
  std::vector<SavedCard*> order_;
  std::set<std::int64_t> used_;
};

}  // namespace orvak::views::library
