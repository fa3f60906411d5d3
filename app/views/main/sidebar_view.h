// The main window's sidebar, 208 wide on the deep colour: the mark, the four sections of pages
// with the library's count, the setup banner when setup is missing and the hotkey's hint at the
// bottom. It draws a `sidebar::Layout`; a click on a page or on the banner calls back. When the
// window is too short for all of it, the hint goes first, then the banner gets shorter, and
// then the list above them scrolls: nothing is ever drawn over anything else.
#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/windows/sidebar.h"

namespace orvak::look {
class HeroOrb;
class ThinScrollBar;
}

namespace orvak::views::main {

class SidebarView : public QWidget {
 public:
  static constexpr int kWidth = 208;

  explicit SidebarView(QWidget* parent = nullptr);

  void setContent(sidebar::Layout layout);
  const sidebar::Layout& content() const { return layout_; }

  std::function<void(MainModel::Page)> onSelect;
  std::function<void()> onSetup;

  // Where things are drawn, for clicks and tests; a row scrolled out of the list's view still
  // has its rectangle, outside `listView()`.
  std::optional<QRectF> itemRect(MainModel::Page page) const;
  std::optional<QRectF> bannerRect() const;
  std::optional<QRectF> hintRect() const;  // none when the window is too short for it
  std::optional<QRectF> countRect() const;
  QRectF nameRect() const { return name_.translated(0, -scroll_); }
  std::vector<QRectF> labelRects() const;
  // The part of the sidebar the mark and the list show in, above the banner and the hint.
  QRectF listView() const { return view_; }
  double scrollOffset() const { return scroll_; }
  // Scrolls the list by `pixels` (down when positive), within its bounds.
  void scrollBy(double pixels);
  // The accessible buttons over the rows, in order, and the banner's.
  const std::vector<QAbstractButton*>& rowButtons() const { return hits_; }
  QAbstractButton* bannerButton() const { return bannerButton_; }
  // The list's thin scroll bar, over the sidebar's trailing edge; shown only while the list does
  // not fit its view.
  look::ThinScrollBar* scrollBar() const { return bar_; }

  QSize sizeHint() const override { return {kWidth, 560}; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  bool event(QEvent* e) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  struct Placed {
    MainModel::Page page;
    QRectF rect;
  };
  struct Label {
    QString text;
    QRectF rect;
  };
  void place();
  // Moves what scrolls (the orb, the rows' buttons) to the offset now.
  void placeScrolled();
  void reveal(const QRectF& contentRect);
  void placeBar();

  sidebar::Layout layout_;
  QWidget* rowsView_;
  look::HeroOrb* orb_;
  // Invisible buttons over the drawn rows, so assistive technology finds each page by name, and
  // the selected one checked.
  std::vector<QAbstractButton*> hits_;
  QAbstractButton* bannerButton_;
  look::ThinScrollBar* bar_;
  // The mark, labels and rows in the list's own coordinates (before scrolling).
  QRectF name_;
  std::vector<Label> labels_;
  std::vector<Placed> items_;
  double listHeight_ = 0;
  QRectF view_;
  double scroll_ = 0;
  std::optional<QRectF> banner_;
  std::optional<QRectF> hint_;
};

}  // namespace orvak::views::main
