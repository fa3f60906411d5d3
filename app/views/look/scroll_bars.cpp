#include "app/views/look/scroll_bars.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <algorithm>

#include "app/views/look/palette.h"

namespace orvak::look {
namespace {

// The handle inside the slider's strip: centred across it, 2 px in from its ends.
QRectF handleWithin(const QRect& slider, Qt::Orientation orientation) {
  const double inset = (ThinScrollBar::kExtent - ThinScrollBar::kHandle) / 2.0;
  return orientation == Qt::Vertical ? QRectF(slider).adjusted(inset, 2, -inset, -2)
                                     : QRectF(slider).adjusted(2, inset, -2, -inset);
}

// The bars' geometry and drawing. A style rather than a style sheet: a style sheet makes Qt lay
// the bar beside the view however thin it is, while a style can say that it overlaps the view.
class ThinBarStyle final : public QProxyStyle {
 public:
  // Over Fusion on every desktop: what the bar leaves to its base (hit tests among them) then
  // asks this style for the geometry, as Fusion does, whatever the desktop's own style.
  ThinBarStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    switch (metric) {
      case PM_ScrollBarExtent:
      case PM_ScrollView_ScrollBarOverlap:
        return ThinScrollBar::kExtent;
      case PM_ScrollBarSliderMin:
        return ThinScrollBar::kMinHandleLength;
      default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }

  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || bar == nullptr) return QProxyStyle::subControlRect(control, option, sub, widget);
    const bool vertical = bar->orientation == Qt::Vertical;
    const QRect groove = bar->rect;
    const int length = vertical ? groove.height() : groove.width();
    const int range = bar->maximum - bar->minimum;
    int handle = length;
    if (range > 0) {
      handle = int(qint64(length) * bar->pageStep / (qint64(range) + bar->pageStep));
      handle = std::clamp(handle, std::min(ThinScrollBar::kMinHandleLength, length), length);
    }
    const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition, length - handle,
                                              bar->upsideDown);
    const auto span = [&](int from, int to) {
      return vertical ? QRect(groove.left(), groove.top() + from, groove.width(), to - from)
                      : QRect(groove.left() + from, groove.top(), to - from, groove.height());
    };
    switch (sub) {
      case SC_ScrollBarGroove:
        return groove;
      case SC_ScrollBarSlider:
        return span(start, start + handle);
      case SC_ScrollBarSubPage:
        return span(0, start);
      case SC_ScrollBarAddPage:
        return span(start + handle, length);
      default:  // no arrows, no first and last buttons
        return {};
    }
  }

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || bar == nullptr) {
      QProxyStyle::drawComplexControl(control, option, painter, widget);
      return;
    }
    if (bar->maximum <= bar->minimum) return;
    const auto* thin = dynamic_cast<const ThinScrollBar*>(widget);
    const bool onDark = thin != nullptr && thin->onDark();
    const bool active = (bar->activeSubControls & SC_ScrollBarSlider) &&
                        (bar->state & (State_MouseOver | State_Sunken));
    QColor colour;
    if (onDark) {
      colour = QColor(244, 239, 230);
      colour.setAlphaF(active ? 0.5f : 0.28f);
    } else {
      colour = active ? Margin::ink2.color() : Margin::ink3.color();
      colour.setAlphaF(colour.alphaF() * 0.7f);
    }
    const QRectF handle =
        handleWithin(subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget), bar->orientation);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(colour);
    painter->drawRoundedRect(handle, ThinScrollBar::kHandle / 2.0, ThinScrollBar::kHandle / 2.0);
    painter->restore();
  }
};

// One style for every thin bar, kept by the application so that it outlives the bars (a widget
// uses its style until it is all gone).
QStyle* thinBarStyle() {
  auto* app = QCoreApplication::instance();
  for (QObject* child : app->children()) {
    // Not qobject_cast: the style declares no meta-object of its own, so that would take any
    // proxy style (the application's among them) for it.
    if (auto* style = dynamic_cast<ThinBarStyle*>(child)) return style;
  }
  auto* style = new ThinBarStyle;
  style->setParent(app);
  return style;
}

}  // namespace

ThinScrollBar::ThinScrollBar(Qt::Orientation orientation, QWidget* parent, bool onDark)
    : QScrollBar(orientation, parent), onDark_(onDark) {
  setStyle(thinBarStyle());
  setAttribute(Qt::WA_Hover);
  setRange(0, 0);  // nothing to scroll until someone says there is
}

QRect ThinScrollBar::handleRect() const {
  if (maximum() <= minimum()) return {};
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect slider = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
  return handleWithin(slider, orientation()).toRect();
}

void ThinScrollBar::sliderChange(SliderChange change) {
  QScrollBar::sliderChange(change);
  // A bar without a parent would show as a window of its own: only a placed bar follows its range.
  if (change == SliderRangeChange && parentWidget() != nullptr) setVisible(maximum() > minimum());
}

void useThinScrollBars(QAbstractScrollArea& area) {
  // Showing only when needed is what the thin bars are for: "always" becomes "as needed".
  for (const auto orientation : {Qt::Vertical, Qt::Horizontal}) {
    const bool vertical = orientation == Qt::Vertical;
    if (dynamic_cast<ThinScrollBar*>(vertical ? area.verticalScrollBar() : area.horizontalScrollBar())) continue;
    auto* bar = new ThinScrollBar(orientation);
    if (vertical) {
      area.setVerticalScrollBar(bar);
      if (area.verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn) area.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    } else {
      area.setHorizontalScrollBar(bar);
      if (area.horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn) {
        area.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      }
    }
  }
}

}  // namespace orvak::look
