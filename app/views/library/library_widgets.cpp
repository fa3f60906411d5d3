#include "app/views/library/library_widgets.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <cmath>

#include "app/views/look/pieces.h"
#include "app/views/look/symbols.h"
#include "app/views/look/text_styles.h"

namespace orvak::views::library {

using look::Margin::accent;
using look::Margin::ink;
using look::Margin::ink3;
using look::Margin::line;
using look::Margin::paper;

namespace {

QPainterPath capsule(const QRectF& r) {
  QPainterPath path;
  const double radius = r.height() / 2;
  path.addRoundedRect(r, radius, radius);
  return path;
}

bool insideCapsule(const QWidget* w, const QPoint& pos) { return capsule(QRectF(w->rect())).contains(pos); }

void trackTight(QFont& f, double tracking) { f.setLetterSpacing(QFont::AbsoluteSpacing, tracking); }

}  // namespace

// ---- Text ----

Text::Text(const QString& text, const QFont& font, look::DynColor colour, QWidget* parent)
    : QLabel(text, parent), colour_(colour), full_(text) {
  setFont(font);
  setTextFormat(Qt::PlainText);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, colour_.color());
  setPalette(pal);
}

void Text::setColour(look::DynColor colour) {
  colour_ = colour;
  update();
}

Text* Text::wrapping(bool selectable) {
  setWordWrap(true);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The layouts ask its height for the width it gets; a new policy must say so again.
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  if (selectable) setTextInteractionFlags(Qt::TextSelectableByMouse);
  return this;
}

Text* Text::elided() {
  elide_ = true;
  full_ = text();
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setToolTip(full_);
  return this;
}

QSize Text::minimumSizeHint() const {
  // A wrapping label is as tall as its width makes it, which the layouts ask separately; its own
  // guess is the height at its narrowest and would leave a gap under the text.
  if (wordWrap()) return {std::min(80, QLabel::sizeHint().width()), fontMetrics().height()};
  if (!elide_) return QLabel::minimumSizeHint();
  return {std::min(40, QLabel::sizeHint().width()), QLabel::minimumSizeHint().height()};
}

int Text::heightForWidth(int width) const { return QLabel::heightForWidth(std::min(width, maximumWidth())); }

void Text::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  if (!elide_) return;
  const QString shown = fontMetrics().elidedText(full_, Qt::ElideRight, event->size().width());
  if (shown != text()) QLabel::setText(shown);
}

void Text::paintEvent(QPaintEvent* event) {
  const QColor c = colour_.color();
  if (palette().color(QPalette::WindowText) != c) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, c);
    setPalette(pal);
  }
  QLabel::paintEvent(event);
}

// ---- Surface ----

Surface::Surface(Style style, QWidget* parent) : QWidget(parent), style_(std::move(style)) {}

void Surface::setStyle(Style style) {
  style_ = std::move(style);
  update();
}

void Surface::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  if (style_.fill) {
    QColor c = style_.fill->color();
    c.setAlphaF(c.alphaF() * style_.fillOpacity);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(r, style_.radius, style_.radius);
  }
  if (style_.border) {
    QColor c = style_.border->color();
    c.setAlphaF(c.alphaF() * style_.borderOpacity);
    QPen pen(c, 1);
    if (style_.dashed) pen.setDashPattern({4, 3});
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, style_.radius, style_.radius);
  }
}

// ---- Hairline ----

Hairline::Hairline(look::DynColor colour, QWidget* parent) : QWidget(parent), colour_(colour) {
  setFixedHeight(1);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Hairline::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), colour_.color());
}

// ---- TextButton ----

TextButton::TextButton(const QString& title, const QFont& font, look::DynColor colour, QWidget* parent,
                       const QString& symbol)
    : QAbstractButton(parent), font_(font), colour_(colour), symbol_(symbol) {
  setText(title);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize TextButton::sizeHint() const {
  const QFontMetricsF m(font_);
  double w = m.horizontalAdvance(text());
  if (!symbol_.isEmpty()) w += font_.pixelSize() + 4;
  return {int(std::ceil(w)) + 2, int(std::ceil(m.height())) + 4};
}

void TextButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (!isEnabled()) p.setOpacity(0.4);
  if (isDown()) p.setOpacity(p.opacity() * 0.6);
  const QColor c = colour_.color();
  double x = 1;
  if (!symbol_.isEmpty()) {
    const double s = font_.pixelSize() * 0.8;
    look::paintSymbol(p, symbol_, QRectF(x, (height() - s) / 2, s, s), c);
    x += font_.pixelSize() + 4;
  }
  p.setFont(font_);
  p.setPen(c);
  p.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
  if (hasFocus()) {
    p.setPen(QPen(accent.color(), 1));
    p.drawLine(QPointF(x, height() - 1.5), QPointF(width() - 1, height() - 1.5));
  }
}

// ---- PageHead ----

PageHead::PageHead(const QString& title, const QString& sub, QWidget* parent) : QWidget(parent) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(6);
  column->addWidget(new look::Eyebrow("Library", std::nullopt, true, this), 0, Qt::AlignLeft);
  auto* row = new QHBoxLayout;
  row->setSpacing(14);
  QFont titleFont = look::serifFont(34);
  trackTight(titleFont, -0.8);
  title_ = new Text(title, titleFont, ink, this);
  sub_ = new Text(sub, look::systemFont(13), ink3, this);
  // Box layouts place no label on a baseline: both sit at the bottom of the row, and the subtitle is
  // lifted by what the title's letters reach further below their baseline.
  row->addWidget(title_, 0, Qt::AlignBottom);
  row->addWidget(sub_, 0, Qt::AlignBottom);
  const double lift = QFontMetricsF(titleFont).descent() - QFontMetricsF(sub_->font()).descent();
  sub_->setContentsMargins(0, 0, 0, std::max(0, int(std::lround(lift))));
  row->addStretch(1);
  column->addLayout(row);
  sub_->setVisible(!sub.isEmpty());
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void PageHead::setSub(const QString& sub) {
  sub_->setText(sub);
  sub_->setVisible(!sub.isEmpty());
}

QString PageHead::title() const { return title_->text(); }
QString PageHead::sub() const { return sub_->text(); }

// ---- Chip ----

namespace {

// Accessibility of a chip: a check-box-like button whose "checked" state reads as selected.
class ChipAccessible : public QAccessibleWidget {
 public:
  explicit ChipAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return static_cast<Chip*>(widget())->text();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    auto s = QAccessibleWidget::state();
    const bool on = static_cast<Chip*>(widget())->on();
    s.selectable = true;
    s.selected = on;
    s.checkable = true;
    s.checked = on;
    return s;
  }
};

QAccessibleInterface* chipFactory(const QString&, QObject* object) {
  if (auto* chip = dynamic_cast<Chip*>(object)) return new ChipAccessible(chip);
  return nullptr;
}

}  // namespace

Chip::Chip(const QString& label, bool on, QWidget* parent) : QAbstractButton(parent), on_(on) {
  static const bool installed = [] {
    QAccessible::installFactory(chipFactory);
    return true;
  }();
  (void)installed;
  setText(label);
  setAccessibleName(label);
  setCursor(Qt::PointingHandCursor);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Chip::setOn(bool on) {
  if (on_ == on) return;
  on_ = on;
  QAccessible::State changed;
  changed.selected = true;
  changed.checked = true;
  QAccessibleStateChangeEvent event(this, changed);
  QAccessible::updateAccessibility(&event);
  updateGeometry();
  update();
}

QSize Chip::sizeHint() const {
  const QFontMetricsF m(look::systemFont(12.5, on_ ? QFont::DemiBold : QFont::Normal));
  return {int(std::ceil(m.horizontalAdvance(text()) + 26)), 28};
}

void Chip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (isDown()) p.setOpacity(0.75);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  if (on_) {
    p.fillPath(capsule(r), ink.color());
  } else {
    p.setPen(QPen(line.color(), 1));
    p.drawPath(capsule(r));
  }
  p.setFont(look::systemFont(12.5, on_ ? QFont::DemiBold : QFont::Normal));
  p.setPen(on_ ? paper.color() : ink.color());
  p.drawText(rect(), Qt::AlignCenter, text());
}

bool Chip::hitButton(const QPoint& pos) const { return insideCapsule(this, pos); }

// ---- SmallButton ----

SmallButton::SmallButton(const QString& title, const QString& symbol, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol) {
  setText(title);
  setAccessibleName(title);
  setCursor(Qt::PointingHandCursor);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SmallButton::sizeHint() const {
  const QFontMetricsF m(look::systemFont(12.5));
  double w = 24 + m.horizontalAdvance(text());
  if (!symbol_.isEmpty()) w += 10 + 5;
  return {int(std::ceil(w)), 28};
}

void SmallButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (!isEnabled()) p.setOpacity(0.4);
  if (isDown()) p.setOpacity(p.opacity() * 0.7);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(QPen(hasFocus() ? accent.color() : line.color(), 1));
  p.drawPath(capsule(r));
  double x = 12;
  const QColor c = ink.color();
  if (!symbol_.isEmpty()) {
    look::paintSymbol(p, symbol_, QRectF(x, (height() - 10) / 2.0, 10, 10), c);
    x += 10 + 5;
  }
  p.setFont(look::systemFont(12.5));
  p.setPen(c);
  p.drawText(QRectF(x, 0, width() - x - 12, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

bool SmallButton::hitButton(const QPoint& pos) const { return insideCapsule(this, pos); }

// ---- Spinner ----

Spinner::Spinner(QWidget* parent) : QWidget(parent) { setFixedSize(14, 14); }

void Spinner::showEvent(QShowEvent*) {
  if (!timer_ && !frozen_) timer_ = startTimer(80);
}

void Spinner::hideEvent(QHideEvent*) {
  if (timer_) killTimer(timer_);
  timer_ = 0;
}

void Spinner::timerEvent(QTimerEvent*) {
  if (frozen_) return;
  step_ = (step_ + 1) % 12;
  update();
}

void Spinner::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF c(width() / 2.0, height() / 2.0);
  for (int i = 0; i < 12; ++i) {
    QColor col = look::Margin::ink2.color();
    col.setAlphaF(col.alphaF() * (0.15 + 0.85 * ((i + 12 - step_) % 12) / 11.0));
    p.save();
    p.translate(c);
    p.rotate(i * 30);
    p.setPen(QPen(col, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0, -3.2), QPointF(0, -6));
    p.restore();
  }
}

double firstBaseline(const QLabel* label) {
  double top = label->contentsMargins().top();
  if (label->textFormat() != Qt::RichText) return top + QFontMetricsF(label->font()).ascent();
  // Rich text is laid out the way the label lays it out: its font, no document margin.
  QTextDocument doc;
  doc.setDefaultFont(label->font());
  doc.setDocumentMargin(0);
  doc.setHtml(label->text());
  doc.setTextWidth(1000);
  const QTextBlock first = doc.begin();
  const QTextLayout* layout = first.layout();
  if (!layout || layout->lineCount() == 0) return top + QFontMetricsF(label->font()).ascent();
  const QTextLine line = layout->lineAt(0);
  return top + doc.documentLayout()->blockBoundingRect(first).top() + line.y() + line.ascent();
}

void alignFirstBaselines(QLabel* follower, const QLabel* leader) {
  QMargins m = follower->contentsMargins();
  m.setTop(0);
  follower->setContentsMargins(m);
  m.setTop(std::max(0, int(std::lround(firstBaseline(leader) - firstBaseline(follower)))));
  follower->setContentsMargins(m);
}

void freezeMotion(QWidget* root, double t) {
  // The pieces have no meta-objects of their own, so they are told apart by their C++ types.
  for (auto* w : root->findChildren<QWidget*>()) {
    if (auto* orb = dynamic_cast<look::HeroOrb*>(w)) orb->ticker().freeze(t);
    if (auto* spinner = dynamic_cast<Spinner*>(w)) spinner->freeze();
  }
  // Fades and moves under way (a card's hover buttons coming in) are shown as they end.
  for (auto* a : root->findChildren<QVariantAnimation*>()) {
    if (a->state() == QAbstractAnimation::Running) a->setCurrentTime(a->totalDuration());
  }
}

}  // namespace orvak::views::library
