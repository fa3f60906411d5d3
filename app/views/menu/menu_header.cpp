#include "app/views/menu/menu_header.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/views/look/painting.h"
#include "app/views/look/palette.h"
#include "app/views/look/pieces.h"
#include "app/views/look/text_styles.h"

namespace orvak::views::menu {

namespace {

namespace Margin = look::Margin;
namespace Orbit = look::Orbit;

QLabel* label(const std::string& text, const QFont& font, QColor colour, QWidget* parent) {
  auto* l = new QLabel(QString::fromStdString(text), parent);
  l->setFont(font);
  QPalette pal = l->palette();
  pal.setColor(QPalette::WindowText, colour);
  l->setPalette(pal);
  return l;
}

// Holds a place in the layout for what the header paints itself (the orb, the bar).
QWidget* spot(int w, int h, QWidget* parent) {
  auto* s = new QWidget(parent);
  if (w > 0) {
    s->setFixedSize(w, h);
  } else {
    s->setFixedHeight(h);
  }
  return s;
}

}  // namespace

MenuHeader::MenuHeader(orvak::menu::Header header, QWidget* parent) : QWidget(parent), header_(std::move(header)) {
  setFixedWidth(kWidth);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(14, 8, 14, 6);
  column->setSpacing(8);
  if (const auto& r = header_.reading) {
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    orbSpot_ = spot(22, 16, this);
    row->addWidget(orbSpot_, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    QLabel* title = label(r->title, look::serifFont(15, QFont::Medium), Margin::ink.color(), this);
    title->setWordWrap(true);
    // As many lines as the title needs in the width beside the orb, at most two.
    const int textWidth = kWidth - 2 * 14 - 22 - 10;
    title->setFixedWidth(textWidth);
    title->setFixedHeight(std::min(title->heightForWidth(textWidth),
                                   int(std::ceil(2 * QFontMetricsF(title->font()).lineSpacing()))));
    texts->addWidget(title);
    detail_ = label(header_.detail(), look::digitsFont(11.5), Margin::ink2.color(), this);
    // A long app or window name cuts the line with an ellipsis, never mid-letter at the edge; the
    // whole line stays in the tool tip and for assistive technology.
    const QString full = detail_->text();
    detail_->setText(QFontMetricsF(detail_->font()).elidedText(full, Qt::ElideRight, textWidth));
    detail_->setFixedWidth(textWidth);
    if (detail_->text() != full) {
      detail_->setToolTip(full);
      detail_->setAccessibleName(full);
    }
    texts->addWidget(detail_);
    row->addLayout(texts, 1);
    column->addLayout(row);
    bar_ = spot(0, 3, this);
    column->addWidget(bar_);
  } else {
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    orbSpot_ = spot(22, 16, this);
    row->addWidget(orbSpot_, 0, Qt::AlignVCenter);
    row->addWidget(label("Orvak", look::serifFont(17, QFont::Light, true), Margin::ink.color(), this), 0,
                   Qt::AlignVCenter);
    row->addStretch(1);
    column->addLayout(row);
    auto* keys = new QHBoxLayout;
    keys->setSpacing(4);
    for (int i = 0; i < 2; ++i) keys->addWidget(new look::KeyCap(QString::fromStdString(header_.keyGlyph), 10, this));
    detail_ = label(header_.hint(), look::systemFont(12), Margin::ink2.color(), this);
    detail_->setContentsMargins(4, 0, 0, 0);
    // Wrapped rather than cut where the key's name makes the line longer than the header.
    detail_->setWordWrap(true);
    const int capWidth = look::KeyCap(QString::fromStdString(header_.keyGlyph), 10).sizeHint().width();
    const int hintWidth = kWidth - 2 * 14 - 2 * capWidth - 2 * 4;
    detail_->setFixedWidth(hintWidth);
    detail_->setFixedHeight(detail_->heightForWidth(hintWidth));
    keys->addWidget(detail_, 1, Qt::AlignVCenter);
    column->addLayout(keys);
  }
  setFixedHeight(sizeHint().height());
}

QRectF MenuHeader::barRect() const { return bar_ ? QRectF(bar_->geometry()) : QRectF(); }

QRectF MenuHeader::progressFill() const {
  const QRectF bar = barRect();
  return QRectF(bar.left(), bar.top(), bar.width() * header_.progress(), bar.height());
}

void MenuHeader::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const bool paused = header_.reading && header_.reading->paused;
  if (orbSpot_) look::paintSmallOrb(p, QRectF(orbSpot_->geometry()).center(), paused ? 0 : 1);
  if (!bar_) return;
  const QRectF bar = barRect();
  auto capsule = [&](const QRectF& r, const QBrush& brush) {
    if (r.width() <= 0) return;
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
  };
  capsule(bar, Margin::line.color());
  const QRectF fill = progressFill();
  if (paused) {
    capsule(fill, Margin::ink3.color());
  } else {
    QLinearGradient g(bar.topLeft(), bar.topRight());
    g.setColorAt(0, Orbit::glowTop.color());
    g.setColorAt(1, Orbit::glowBottom.color());
    capsule(fill, g);
  }
}

}  // namespace orvak::views::menu
