// The top of the status menu, 290 wide: the read in progress (orb, title, detail line and a
// progress bar) or, when idle, the mark with the hotkey's key caps and hint.
#pragma once

#include <QWidget>

#include "app/menu/menu_model.h"

class QLabel;

namespace orvak::views::menu {

class MenuHeader : public QWidget {
 public:
  static constexpr int kWidth = 290;

  explicit MenuHeader(orvak::menu::Header header, QWidget* parent = nullptr);

  const orvak::menu::Header& header() const { return header_; }
  // The detail line as shown (reading), or the hint (idle).
  QLabel* detail() const { return detail_; }
  // The bar's filled rectangle (reading; empty when idle or for a total of 0).
  QRectF progressFill() const;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QRectF barRect() const;

  orvak::menu::Header header_;
  QLabel* detail_ = nullptr;
  QWidget* orbSpot_ = nullptr;
  QWidget* bar_ = nullptr;
};

}  // namespace orvak::views::menu
