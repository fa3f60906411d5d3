// The library side of the main window: the search-and-ask bar, a hairline, the pane the question,
// the bar's text and the page choose, and the toast over the bottom edge.
//
// The bar is the notes model's query: typing searches, Return asks, Escape empties it and leaves
// it, Ctrl+F and "orvak.focusAsk" focus it.
#pragma once

#include <QLineEdit>
#include <memory>

#include "app/main_model.h"
#include "app/views/library/documents_pane.h"
#include "app/views/library/highlights_stream.h"
#include "app/views/library/pages_listened.h"
#include "app/views/library/search_answer.h"
#include "platform/notify.h"

namespace orvak::views::library {

class LibraryView : public QWidget {
 public:
  // `center`: where "orvak.focusAsk" arrives (none: not observed).
  LibraryView(const PaneContext& ctx, MainModel::Page page, std::shared_ptr<platform::NotificationCenter> center,
              QWidget* parent = nullptr);
  ~LibraryView() override;

  void setPage(MainModel::Page page);
  MainModel::Page page() const { return page_; }
  panes::Pane pane() const { return pane_; }
  QWidget* paneWidget() const { return paneWidget_; }
  QLineEdit* field() const { return field_; }
  QAbstractButton* askButton() const { return ask_; }
  QAbstractButton* clearButton() const { return clear_; }
  Text* hint() const { return hint_; }
  LibraryToast* toast() const { return toast_; }
  bool barFocused() const;
  // Puts the keyboard focus into the bar.
  void focusBar();

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void syncBar();
  void choosePane();

  PaneContext ctx_;
  MainModel::Page page_;
  panes::Pane pane_ = panes::Pane::highlights;
  QWidget* bar_;
  QLineEdit* field_;
  QAbstractButton* ask_;
  QAbstractButton* clear_;
  Text* hint_;
  QVBoxLayout* paneBox_;
  QWidget* paneWidget_ = nullptr;
  LibraryToast* toast_;
  std::uint64_t libToken_ = 0, notesToken_ = 0, prefsToken_ = 0;
  platform::NotificationCenter::Observation focusObservation_;
  bool built_ = false;
};

}  // namespace orvak::views::library
