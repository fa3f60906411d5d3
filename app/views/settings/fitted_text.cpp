#include "app/views/settings/fitted_text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace orvak::views::settings {

FitLine::FitLine(QString text, QFont font, look::DynColor colour, double minScale, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), font_(std::move(font)), colour_(colour), minScale_(minScale) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setAccessibleName(text_);
}

FitLine::Fit FitLine::fit(double width) const {
  const QFontMetricsF m(font_);
  const double natural = m.horizontalAdvance(text_);
  if (natural <= width) return {1.0, text_};
  const double scale = width > 0 ? width / natural : 0;
  if (scale >= minScale_) return {scale, text_};
  // At the smallest scale the room counts for 1 / scale as much of the full-size text.
  return {minScale_, m.elidedText(text_, Qt::ElideRight, width / minScale_)};
}

QSize FitLine::sizeHint() const {
  const QFontMetricsF m(font_);
  return {int(std::ceil(m.horizontalAdvance(text_))), int(std::ceil(m.height()))};
}

QSize FitLine::minimumSizeHint() const { return {10, sizeHint().height()}; }

void FitLine::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::TextAntialiasing);
  const Fit f = fit(width());
  const QFontMetricsF m(font_);
  p.setFont(font_);
  p.setPen(colour_.color());
  // Shrunk text keeps its baseline where the full-size line has it, and its left edge.
  const double baseline = (height() - m.height()) / 2 + m.ascent();
  p.translate(0, baseline);
  p.scale(f.scale, f.scale);
  p.drawText(QPointF(0, 0), f.shown);
}

ClampedText::ClampedText(QString text, QFont font, look::DynColor colour, int maxLines, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), font_(std::move(font)), colour_(colour), maxLines_(maxLines) {
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  setAccessibleName(text_);
}

QStringList ClampedText::lines(double width) const {
  QTextLayout layout(text_, font_);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  QStringList out;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    if (out.size() + 1 == maxLines_) {
      // The last allowed line holds the rest, cut to the width.
      const QString rest = text_.mid(line.textStart());
      const QFontMetricsF m(font_);
      out << m.elidedText(rest.trimmed(), Qt::ElideRight, width);
      break;
    }
    out << text_.mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  return out;
}

void ClampedText::setText(const QString& text) {
  text_ = text;
  setAccessibleName(text_);
  updateGeometry();
  update();
}

int ClampedText::heightForWidth(int width) const {
  const QFontMetricsF m(font_);
  const auto n = std::max<qsizetype>(1, lines(width).size());
  return int(std::ceil(n * m.lineSpacing()));
}

QSize ClampedText::sizeHint() const {
  const QFontMetricsF m(font_);
  // Without a width yet, a line of at most 480 before it wraps.
  const int w = std::min(480, int(std::ceil(m.horizontalAdvance(text_))));
  return {w, heightForWidth(w)};
}

QSize ClampedText::minimumSizeHint() const {
  const QFontMetricsF m(font_);
  return {10, int(std::ceil(m.lineSpacing()))};
}

void ClampedText::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QFontMetricsF m(font_);
  p.setFont(font_);
  p.setPen(colour_.color());
  double y = m.ascent();
  for (const auto& line : lines(width())) {
    p.drawText(QPointF(0, y), line);
    y += m.lineSpacing();
  }
}

}  // namespace orvak::views::settings
