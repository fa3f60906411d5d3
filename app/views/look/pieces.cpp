#include "app/views/look/pieces.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

#include "app/views/look/painting.h"
#include "app/views/look/palette.h"
#include "app/views/look/text_styles.h"

namespace orvak::look {

// ---- Headline ----

Headline::Headline(QString text, std::optional<QString> glow, double size, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), glow_(std::move(glow)), size_(size) {
  // Not Fixed vertically: a layout would hold a fixed widget to the one-line height of its size hint.
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

QString Headline::run() const { return glow_ ? text_ + u' ' + *glow_ : text_; }

void Headline::layOut(QTextLayout& layout, double width) const {
  layout.setText(run());
  layout.setFont(headlineFont(size_));
  if (glow_) {
    // The tail fills with the gradient across the widget, leading to trailing.
    QTextLayout::FormatRange tail;
    tail.start = int(text_.size()) + 1;
    tail.length = int(glow_->size());
    tail.format.setFontItalic(true);
    tail.format.setForeground(QBrush(glow(QPointF(0, 0), QPointF(width, 0))));
    layout.setFormats({tail});
  }
  QTextOption option;
  option.setWrapMode(QTextOption::WordWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  double y = 0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    line.setPosition(QPointF(0, y));
    y += line.height();
  }
  layout.endLayout();
}

int Headline::heightForWidth(int width) const {
  QTextLayout layout;
  layOut(layout, width);
  return int(std::ceil(layout.boundingRect().height()));
}

QSize Headline::sizeHint() const {
  const QFontMetricsF m(headlineFont(size_));
  const int width = int(std::ceil(m.horizontalAdvance(run()) + 2));
  return {width, heightForWidth(width)};
}

void Headline::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::TextAntialiasing);
  QTextLayout layout;
  layOut(layout, width());
  p.setPen(Margin::ink.color());
  layout.draw(&p, QPointF(0, 0));
}

// ---- Eyebrow ----

namespace {
constexpr double kEyebrowSpacing = 12;
constexpr double kRuleWidth = 48;
}  // namespace

Eyebrow::Eyebrow(QString text, std::optional<QString> accent, bool rule, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), accent_(std::move(accent)), rule_(rule) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString Eyebrow::run() const { return accent_ ? text_.toUpper() + "  " + accent_->toUpper() : text_.toUpper(); }

Eyebrow::Layout Eyebrow::layout() const {
  const QFontMetricsF m(eyebrowFont());
  const double h = height() > 0 ? height() : m.height();
  const QRectF text(0, (h - m.height()) / 2, m.horizontalAdvance(run()), m.height());
  Layout out{text, std::nullopt};
  if (rule_) {
    out.rule = QRectF(text.right() + kEyebrowSpacing, std::floor(h / 2), kRuleWidth, 1);
  }
  return out;
}

QSize Eyebrow::sizeHint() const {
  const QFontMetricsF m(eyebrowFont());
  double w = m.horizontalAdvance(run());
  if (rule_) {
    w += kEyebrowSpacing + kRuleWidth;
  }
  return {int(std::ceil(w)) + 1, int(std::ceil(m.height()))};
}

void Eyebrow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const auto l = layout();
  const QFont font = eyebrowFont();
  const QFontMetricsF m(font);
  p.setFont(font);
  const double baseline = l.text.top() + m.ascent();
  const QString head = text_.toUpper();
  p.setPen(Margin::ink2.color());
  p.drawText(QPointF(l.text.left(), baseline), head);
  if (accent_) {
    p.setPen(Margin::accent.color());
    p.drawText(QPointF(l.text.left() + m.horizontalAdvance(head + "  "), baseline), accent_->toUpper());
  }
  if (l.rule) {
    p.fillRect(*l.rule, Margin::line.color());
  }
}

// ---- KeyCap ----

KeyCap::KeyCap(QString glyph, double size, QWidget* parent) : QWidget(parent), glyph_(std::move(glyph)), size_(size) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize KeyCap::sizeHint() const {
  const QFontMetricsF m(systemFont(size_, QFont::DemiBold));
  const double w = std::max(2.2 * size_, m.horizontalAdvance(glyph_) + size_);
  // Room below for the key's side.
  return {int(std::ceil(w)), int(std::ceil(2.1 * size_ + 0.22 * size_))};
}

void KeyCap::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double r = 0.7 * size_;
  const QRectF face(0, 0, width(), height() - 0.22 * size_);
  p.setPen(Qt::NoPen);
  p.setBrush(Margin::line.color());
  p.drawRoundedRect(face.translated(0, 0.22 * size_), r, r);
  p.setBrush(Margin::card.color());
  p.drawRoundedRect(face, r, r);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Margin::line.color(), 1));
  p.drawRoundedRect(face.adjusted(0.5, 0.5, -0.5, -0.5), r - 0.5, r - 0.5);
  p.setPen(Margin::ink.color());
  p.setFont(systemFont(size_, QFont::DemiBold));
  p.drawText(face, Qt::AlignCenter, glyph_);
}

// ---- StatusDot ----

StatusDot::StatusDot(bool ok, QWidget* parent) : QWidget(parent), ok_(ok), ticker_(this) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusDot::setOk(bool ok) {
  ok_ = ok;
  update();
}

// The ring spreads to 2.4 times the dot, so the widget leaves it room.
QSize StatusDot::sizeHint() const { return {22, 22}; }

void StatusDot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const auto f = statusDotFrame(ok_, ticker_.now());
  const QPointF c = rect().center() + QPointF(0.5, 0.5);
  if (ok_) {
    p.setOpacity(f.ringOpacity);
    p.setPen(QPen(Margin::marker.color(), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 4 * f.ringScale, 4 * f.ringScale);
  }
  p.setOpacity(f.dotOpacity);
  p.setPen(Qt::NoPen);
  p.setBrush(ok_ ? Margin::marker.color() : Margin::ink3.color());
  p.drawEllipse(c, 4, 4);
}

// ---- HeroOrb ----

HeroOrb::HeroOrb(double size, QWidget* parent) : QWidget(parent), size_(size), ticker_(this) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

namespace {

// The glow's radius: the body's reach at this breath, 1.15 times it, and a soft edge beyond.
double glowRadius(double size, double breath) { return size / 2 * 1.15 * breath + 0.28 * size; }

}  // namespace

double HeroOrb::glowDiameter(double size) { return 2 * glowRadius(size, heroOrbFrame(1.5).breath); }

// The glow reaches past the orb: the frame holds the whole of it, with a pixel to spare for
// the soft edge's antialiasing.
QSize HeroOrb::sizeHint() const {
  const int side = int(std::ceil(glowDiameter(size_))) + 2;
  return {side, side};
}

void HeroOrb::placeAt(QPointF centre) {
  const QSize s = sizeHint();
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(int(std::lround(centre.x() - s.width() / 2.0)), int(std::lround(centre.y() - s.height() / 2.0)),
              s.width(), s.height());
}

void HeroOrb::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const auto f = heroOrbFrame(ticker_.now());
  const QPointF c = QRectF(rect()).center();
  // The glow: a soft disc of the second orb colour, as a radial fade in place of a blur.
  const double glowRadius = look::glowRadius(size_, f.breath);
  QRadialGradient halo(c, glowRadius);
  QColor warm = rgb(Orbit::orb[1], 0.35);
  halo.setColorAt(0, warm);
  halo.setColorAt(1 - 0.28 * size_ / glowRadius, warm);
  warm.setAlpha(0);
  halo.setColorAt(1, warm);
  p.setPen(Qt::NoPen);
  p.setBrush(halo);
  p.drawEllipse(c, glowRadius, glowRadius);
  // The body: the orb gradient lit from the moving highlight.
  const double r = size_ / 2 * f.breath;
  const QRectF body(c.x() - r, c.y() - r, 2 * r, 2 * r);
  QRadialGradient g(body.topLeft() + QPointF(f.highlight.x() * body.width(), f.highlight.y() * body.height()),
                    0.66 * size_ * f.breath);
  for (std::size_t i = 0; i < Orbit::orb.size(); ++i) {
    g.setColorAt(Orbit::orbStops[i], rgb(Orbit::orb[i]));
  }
  p.setBrush(g);
  p.drawEllipse(body);
}

// ---- Squiggle ----

Squiggle::Squiggle(QWidget* parent) : Squiggle(Margin::marker, 1.5, parent) {}

Squiggle::Squiggle(DynColor color, double width, QWidget* parent) : QWidget(parent), color_(color), width_(width) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void Squiggle::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(color_.color(), width_, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(squigglePath(QRectF(rect()).adjusted(1, 1, -1, -1)));
}

// ---- MarkedText ----

MarkedText::MarkedText(const QString& text, const QFont& font, QWidget* parent) : QLabel(text, parent) {
  setFont(font);
  setContentsMargins(3, 0, 3, 0);  // the band reaches 3 past each end
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, Margin::ink.color());
  setPalette(pal);
}

void MarkedText::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QFontMetricsF m(font());
  paintMarked(p, QRectF(3, (height() - m.height()) / 2, m.horizontalAdvance(text()), m.height()));
  p.end();
  QLabel::paintEvent(event);
}

// ---- Spinner ----

Spinner::Spinner(QWidget* parent) : QWidget(parent), ticker_(this) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Spinner::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double turn = ticker_.now() - std::floor(ticker_.now());
  const QRectF ring = QRectF(rect()).adjusted(2, 2, -2, -2);
  p.setPen(QPen(Margin::line.color(), 2));
  p.drawEllipse(ring);
  p.setPen(QPen(Margin::ink2.color(), 2, Qt::SolidLine, Qt::RoundCap));
  // Qt counts angles in 1/16 degree, counter-clockwise; the arc turns clockwise.
  p.drawArc(ring, int(-turn * 360 * 16), 270 * 16);
}

}  // namespace orvak::look
