// What the library panes are built on: a scrolling column with the panes' margins and width, and
// a pool that keeps one saved card per row id across reloads, so a reload after one edit redraws
// one card instead of the whole pane.
#pragma once

#include <QScrollArea>
#include <QVBoxLayout>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
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
  // Sizes the column for the viewport's width (done on every resize and change of layout), then
  // runs what asked to follow it.
  void fit();
  void afterFit(std::function<void()> f);

 protected:
  void resizeEvent(QResizeEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent*) override;

 private:
  int maxWidth_;
  bool fitting_ = false;
  std::vector<std::function<void()>> afterFit_;
  QWidget* content_;
  QVBoxLayout* column_;
};

// The saved cards of a pane, one per row id, kept across reloads. A card is made only when it comes
// near the visible part of the pane: until then its row holds a light placeholder of about the
// card's height, so a pane of a thousand items builds and reloads quickly.
class CardPool {
 public:
  CardPool(PaneContext ctx, PaneScroll* pane);
  ~CardPool();
  CardPool(const CardPool&) = delete;
  CardPool& operator=(const CardPool&) = delete;
  // Starts a pass: rows not added before `end` are let go.
  void begin();
  // Adds the row to `body`: its card (reused when it has one with the same number, contents
  // brought up to date), or a placeholder while the row is far below what is shown.
  void add(QVBoxLayout* body, const StoredItem& s, std::optional<std::int64_t> number, bool timeOnly);
  void end();
  // When the last pass holds exactly these rows (the same ids in the same order), brings their
  // contents up to date in place (a made card is redrawn only where its item changed) and answers
  // true; otherwise changes nothing and answers false, and a full pass is needed.
  bool update(const std::vector<StoredItem>& items);
  // Makes the cards of the rows that have come near the visible part.
  void fill();
  // Every card follows the notes model's `editing`.
  void syncEditing();
  // The cards made, in the order of their rows.
  const std::vector<SavedCard*>& cards() const { return order_; }
  // Rows in the last pass, made or not.
  std::size_t rows() const { return rows_.size(); }
  // The items of those rows, in order.
  std::vector<StoredItem> items() const;

 private:
  struct Row {
    StoredItem s;
    std::optional<std::int64_t> number;
    bool timeOnly;
    QVBoxLayout* body;
    SavedCard* card = nullptr;
    QWidget* placeholder = nullptr;
  };
  SavedCard* make(Row& row);
  void order();

  PaneContext ctx_;
  PaneScroll* pane_;
  std::map<std::int64_t, SavedCard*> cards_;
  std::map<std::int64_t, QWidget*> placeholders_;
  std::vector<Row> rows_;
  std::vector<SavedCard*> order_;
  double estimatedBottom_ = 0;
  std::shared_ptr<bool> alive_;  // where the rows added so far end, by estimate, during a pass
};

}  // namespace orvak::views::library
