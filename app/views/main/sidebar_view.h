// The main window's sidebar, 208 wide on the deep colour: the mark, the four sections of pages
// with the library's count, the setup banner when setup is missing and the hotkey's hint at the
// bottom. It draws a `sidebar::Layout`; a click on a page or on the banner calls back.
#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/windows/sidebar.h"

namespace orvak::look {
class HeroOrb;
}

namespace orvak::views {

class SidebarView : public QWidget {
 public:
  static constexpr int kWidth = 208;

  explicit SidebarView(QWidget* parent = nullptr);

  void setContent(sidebar::Layout layout);
  const sidebar::Layout& content() const { return layout_; }

  std::function<void(MainModel::Page)> onSelect;
  std::function<void()> onSetup;

  // Where things are drawn, for clicks and tests.
  std::optional<QRectF> itemRect(MainModel::Page page) const;
  std::optional<QRectF> bannerRect() const;
  QRectF hintRect() const;
  std::optional<QRectF> countRect() const;
  // The accessible buttons over the rows, in order.
  const std::vector<QAbstractButton*>& rowButtons() const { return hits_; }

  QSize sizeHint() const override { return {kWidth, 560}; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
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

  sidebar::Layout layout_;
  look::HeroOrb* orb_;
  // Invisible buttons over the drawn rows, so assistive technology finds each page by name, and
  // the selected one checked.
  std::vector<QAbstractButton*> hits_;
  QRectF name_;
  std::vector<Label> labels_;
  std::vector<Placed> items_;
  std::optional<QRectF> banner_;
  QRectF hint_;
};

}  // namespace orvak::views
