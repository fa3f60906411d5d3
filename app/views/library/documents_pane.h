// The Documents page, a list of written documents beside the open one with its paragraphs,
// citation marks and numbered sources; and the library's toast, a short confirmation with an
// optional Undo at the foot of the library.
#pragma once

#include <QVariantAnimation>
#include <vector>

#include "app/views/library/pane_scroll.h"
#include "app/views/library/search_answer.h"

namespace orvak::views::library {

class DocumentsPane : public QWidget {
 public:
  explicit DocumentsPane(const PaneContext& ctx, QWidget* parent = nullptr);
  ~DocumentsPane() override;
  void rebuild();

  // For tests: the rows, the reading side's texts and buttons.
  const std::vector<QAbstractButton*>& rows() const { return rows_; }
  QString readingText() const;
  QAbstractButton* button(const QString& title) const;
  const std::vector<QAbstractButton*>& sources() const { return sources_; }
  const std::vector<MarkedText*>& paragraphs() const { return paragraphs_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  PaneContext ctx_;
  QVBoxLayout* list_;
  PaneScroll* reading_;
  std::vector<QAbstractButton*> rows_;
  std::vector<QAbstractButton*> buttons_;
  std::vector<QAbstractButton*> sources_;
  std::vector<MarkedText*> paragraphs_;
  std::vector<QString> texts_;
  std::uint64_t libToken_ = 0;
};

// The toast over the bottom edge of the library: the orb (pinging when there is nothing to
// undo), the text and "Undo". It moves in 12 px from below with a fade, and each new toast
// replaces the last.
class LibraryToast : public QWidget {
 public:
  explicit LibraryToast(const PaneContext& ctx, QWidget* parent = nullptr);
  ~LibraryToast() override;
  // Follows the notes model's toast.
  void sync();
  QString text() const { return text_; }
  QAbstractButton* undoButton() const { return undo_; }
  bool pings() const { return shown_ && !shown_->undo; }
  // Where it stands within its parent: centred, 24 above the bottom edge.
  void place();
  QSize sizeHint() const override;
  // 0 hidden, 1 fully in.
  double presence() const { return presence_; }
  void setPresence(double p);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  PaneContext ctx_;
  std::optional<NotesModel::Toast> shown_;
  QString text_;
  QAbstractButton* undo_;
  QVariantAnimation motion_;
  double presence_ = 0;
  std::uint64_t notesToken_ = 0;
};

}  // namespace orvak::views::library
