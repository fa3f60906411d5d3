// The style the application's stock controls are drawn in: Fusion, which draws in the
// application's palette (the look's own colours) on every desktop, with the text fields and combo
// boxes made to read as inputs beside the capsule buttons: rounded, filled a shade apart from what
// they stand on, a hairline edge that turns to the accent with the keyboard's focus, and the
// buttons' height; a framed text editor is such a field too, many lines tall. Check boxes take
// round corners and the accent when on.
#pragma once

#include <QProxyStyle>

namespace orvak::look {

class StockStyle final : public QProxyStyle {
 public:
  static constexpr double kRadius = 8;

  StockStyle();

  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override;
  QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
  void polish(QWidget* widget) override;
  void unpolish(QWidget* widget) override;
  using QProxyStyle::polish;
  using QProxyStyle::unpolish;
};

}  // namespace orvak::look
