// Shown in place of the library pages when the notes database could not be opened: what
// happened, where highlights go meanwhile, and where the error is written. No actions.
#pragma once

#include <QWidget>

class QLabel;

namespace orvak::views::library {

class NotesUnavailableView : public QWidget {
 public:
  explicit NotesUnavailableView(QWidget* parent = nullptr);

  QLabel* heading() const { return heading_; }
  QLabel* explanation() const { return explanation_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QLabel* heading_;
  QLabel* explanation_;
};

}  // namespace orvak::views::library
