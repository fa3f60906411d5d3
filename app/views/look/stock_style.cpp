#include "app/views/look/stock_style.h"

#include <QAbstractScrollArea>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOption>
#include <algorithm>
#include <cmath>

#include "app/views/look/controls.h"

namespace orvak::look {
namespace {

// Room between a field's edge and its text, and the width a combo box's chevron takes.
constexpr int kTextInset = 10;
constexpr int kChevronRoom = 26;

// A field's body: the palette's alternate base (the margin colour), a shade apart from the cards
// and the paper fields stand on, with a hairline edge, or the accent's while it has the focus.
void paintField(QPainter& p, const QRectF& r, const QStyleOption& option, bool fill = true) {
  const QPalette& pal = option.palette;
  const bool focused = (option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_Enabled);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  if (!(option.state & QStyle::State_Enabled)) p.setOpacity(0.5);
  const double w = focused ? 1.5 : 1.0;
  const QRectF body = r.adjusted(w / 2, w / 2, -w / 2, -w / 2);
  p.setPen(QPen(focused ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid), w));
  p.setBrush(fill ? QBrush(pal.color(QPalette::AlternateBase)) : QBrush(Qt::NoBrush));
  p.drawRoundedRect(body, StockStyle::kRadius, StockStyle::kRadius);
  p.restore();
}

// A check box's box: round corners, an edge in the faint ink that shows on either look; filled
// with the accent and a check in the paper colour when on.
void paintCheckBox(QPainter& p, const QRectF& r, const QStyleOption& option) {
  const QPalette& pal = option.palette;
  const bool on = option.state & QStyle::State_On;
  // Whole pixels, so the hairline edge falls on one column rather than across two.
  const int side = int(std::min(r.width(), r.height())) - 2;
  const QRectF box(std::floor(r.center().x() - side / 2.0), std::floor(r.center().y() - side / 2.0), side, side);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  if (!(option.state & QStyle::State_Enabled)) p.setOpacity(0.5);
  if (on) {
    p.setPen(Qt::NoPen);
    p.setBrush(pal.color(QPalette::Highlight));
    p.drawRoundedRect(box, 3.5, 3.5);
    p.setPen(QPen(pal.color(QPalette::HighlightedText), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF points[] = {box.topLeft() + QPointF(0.25 * side, 0.52 * side),
                              box.topLeft() + QPointF(0.43 * side, 0.7 * side),
                              box.topLeft() + QPointF(0.76 * side, 0.32 * side)};
    p.drawPolyline(points, 3);
  } else {
    const bool focused = option.state & QStyle::State_HasFocus;
    p.setPen(QPen(pal.color(focused ? QPalette::Highlight : QPalette::Dark), 1));
    p.setBrush(pal.color(QPalette::AlternateBase));
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3.5, 3.5);
  }
  p.restore();
}

// A text editor with a frame of its own, which the style draws as a field.
QAbstractScrollArea* framedEditor(const QWidget* widget) {
  auto* editor = qobject_cast<QAbstractScrollArea*>(const_cast<QWidget*>(widget));
  const bool text = qobject_cast<QPlainTextEdit*>(editor) != nullptr || qobject_cast<QTextEdit*>(editor) != nullptr;
  return text && editor->frameShape() == QFrame::StyledPanel ? editor : nullptr;
}

}  // namespace

StockStyle::StockStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

QSize StockStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                   const QWidget* widget) const {
  QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
  if (type == CT_LineEdit) {
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (frame == nullptr || frame->lineWidth > 0) {
      s.setHeight(std::max(s.height(), MarginButton::kHeight));
      s.rwidth() += 2 * kTextInset;
    }
  } else if (type == CT_ComboBox) {
    s.setHeight(std::max(s.height(), MarginButton::kHeight));
    s.rwidth() += kTextInset;
  }
  return s;
}

void StockStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
  if (element == PE_PanelLineEdit) {
    // A field without a frame (one set inside a drawn capsule, or a combo box's own) is the
    // caller's to draw.
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (frame != nullptr && frame->lineWidth > 0) {
      paintField(*painter, QRectF(option->rect), *option);
      return;
    }
  }
  if (element == PE_Frame && framedEditor(widget) != nullptr) {
    paintField(*painter, QRectF(option->rect), *option);
    return;
  }
  if (element == PE_IndicatorCheckBox) {
    paintCheckBox(*painter, QRectF(option->rect), *option);
    return;
  }
  if (element == PE_FrameLineEdit) {
    // The edge alone: a field with a style sheet's background asks for its frame this way.
    paintField(*painter, QRectF(option->rect), *option, false);
    return;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void StockStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                    const QWidget* widget) const {
  const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
  if (control != CC_ComboBox || combo == nullptr || !combo->frame) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  paintField(*painter, QRectF(option->rect), *option);
  // The chevron, pointing down, in the secondary ink.
  const QRectF arrow = QRectF(subControlRect(CC_ComboBox, combo, SC_ComboBoxArrow, widget));
  const QPointF c = arrow.center();
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  if (!(option->state & State_Enabled)) painter->setOpacity(0.5);
  painter->setPen(QPen(option->palette.color(QPalette::Dark), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter->setBrush(Qt::NoBrush);
  const QPointF points[] = {c + QPointF(-4, -2), c + QPointF(0, 2), c + QPointF(4, -2)};
  painter->drawPolyline(points, 3);
  painter->restore();
}

QRect StockStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const {
  QRect r = QProxyStyle::subElementRect(element, option, widget);
  if (element == SE_LineEditContents) {
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (frame != nullptr && frame->lineWidth > 0) r = option->rect.adjusted(kTextInset, 1, -kTextInset, -1);
  }
  return r;
}

QRect StockStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                                 const QWidget* widget) const {
  const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
  if (control != CC_ComboBox || combo == nullptr || !combo->frame) {
    return QProxyStyle::subControlRect(control, option, sub, widget);
  }
  const QRect r = option->rect;
  switch (sub) {
    case SC_ComboBoxArrow:
      return QRect(r.right() - kChevronRoom + 1, r.top(), kChevronRoom, r.height());
    case SC_ComboBoxEditField:
      return QRect(r.left() + kTextInset, r.top() + 1, r.width() - kTextInset - kChevronRoom, r.height() - 2);
    case SC_ComboBoxFrame:
      return r;
    case SC_ComboBoxListBoxPopup:
      return r;
    default:
      return QProxyStyle::subControlRect(control, option, sub, widget);
  }
}

int StockStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  // An editor's frame as wide as a field's text inset, with the document's own margin of 4.
  if (metric == PM_DefaultFrameWidth && framedEditor(widget) != nullptr) return kTextInset - 4;
  return QProxyStyle::pixelMetric(metric, option, widget);
}

void StockStyle::polish(QWidget* widget) {
  QProxyStyle::polish(widget);
  // The field drawn in the frame shows through the editor's view, which would cover it square.
  if (auto* editor = framedEditor(widget)) editor->viewport()->setAutoFillBackground(false);
}

void StockStyle::unpolish(QWidget* widget) {
  if (auto* editor = framedEditor(widget)) editor->viewport()->setAutoFillBackground(true);
  QProxyStyle::unpolish(widget);
}

}  // namespace orvak::look
