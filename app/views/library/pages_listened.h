// The Pages page (every page with saved items, and one page's detail) and the Listened page (the
// history with its privacy settings, the clearing banner and a row per page listened to).
#pragma once

#include <vector>

#include "app/views/library/pane_scroll.h"

namespace orvak::look {
class OrbitSwitch;
}
class QComboBox;

namespace orvak::views::library {

class PagesList : public QWidget {
 public:
  explicit PagesList(const PaneContext& ctx, QWidget* parent = nullptr);
  ~PagesList() override;
  void rebuild();

  bool showsDetail() const { return detailShown_; }
  // For tests: the list's page cards and their buttons, the detail's cards and buttons.
  const std::vector<QAbstractButton*>& pageCards() const { return pageCards_; }
  QAbstractButton* button(const QString& title, int row = -1) const;
  const std::vector<SavedCard*>& detailCards() const { return pool_->cards(); }
  QString text() const;

 private:
  void buildList();
  void buildDetail(const DocumentSummary& d);
  PaneContext ctx_;
  PaneScroll* scroll_;
  std::unique_ptr<CardPool> pool_;
  bool detailShown_ = false;
  std::optional<std::string> shownKey_;  // the page whose detail is on screen
  std::vector<QAbstractButton*> pageCards_;
  // Every button with the row it belongs to (-1: none).
  std::vector<std::pair<QAbstractButton*, int>> buttons_;
  std::vector<QString> texts_;
  std::uint64_t libToken_ = 0, notesToken_ = 0;
};

class ListenedList : public PaneScroll {
 public:
  explicit ListenedList(const PaneContext& ctx, QWidget* parent = nullptr);
  ~ListenedList() override;
  void rebuild();

  look::OrbitSwitch* rememberSwitch() const { return switch_; }
  QComboBox* keepPicker() const { return keep_; }
  QWidget* banner() const { return banner_; }
  QAbstractButton* button(const QString& title, int row = -1) const;
  // The row's context menu as it would open.
  QMenu* rowMenu(int row, QWidget* parent);
  QString text() const;
  int rows() const { return int(rowItems_.size()); }

 private:
  void buildBanner();
  PaneContext ctx_;
  PageHead* head_;
  look::OrbitSwitch* switch_;
  QComboBox* keep_;
  QVBoxLayout* bannerBox_;
  QWidget* banner_ = nullptr;
  QVBoxLayout* body_;
  std::vector<ListenedItem> rowItems_;
  std::vector<std::pair<QAbstractButton*, int>> buttons_;
  std::vector<QString> texts_;
  std::uint64_t libToken_ = 0, prefsToken_ = 0;
};

}  // namespace orvak::views::library
