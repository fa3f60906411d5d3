#include "app/views/main/sidebar_view.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <cmath>

#include "app/views/look/palette.h"
#include "app/views/look/pieces.h"
#include "app/views/look/qstring.h"
#include "app/views/look/symbols.h"
#include "app/views/look/text_styles.h"

namespace orvak::views {

namespace {

using Page = MainModel::Page;

// The sidebar's own colours: it is dark in either appearance.
const QColor kNight(244, 239, 230);
const QColor kNight2(157, 150, 138);
const QColor kBannerInk(20, 17, 13);

constexpr double kSide = 14;  // space left and right
constexpr double kItemHeight = 32;
constexpr double kItemPad = 12;

QColor faded(QColor c, double alpha) {
  c.setAlphaF(float(alpha));
  return c;
}

using look::qs;

QFont labelFont(double tracking) {
  QFont f = look::monoFont(9.5, QFont::Medium);
  f.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
  return f;
}

QLinearGradient apricot(const QRectF& r) {
  QLinearGradient g(r.topLeft(), r.bottomRight());
  g.setColorAt(0, look::Orbit::glowTop.color());
  g.setColorAt(1, look::Orbit::glowBottom.color());
  return g;
}

QFont bannerFont() { return look::systemFont(12.5, QFont::DemiBold); }
QFont countFont() { return look::monoFont(10, QFont::Medium); }

// A row's stand-in for assistive technology: takes the clicks and draws nothing.
class RowButton final : public QAbstractButton {
 public:
  using QAbstractButton::QAbstractButton;

 protected:
  void paintEvent(QPaintEvent*) override {}
  // Checked means "the page shown": only the page model changes it, never a click by itself.
  void nextCheckState() override {}
};

}  // namespace

SidebarView::SidebarView(QWidget* parent) : QWidget(parent), orb_(new look::HeroOrb(26, this)) {
  setFixedWidth(kWidth);
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover);
}

void SidebarView::setContent(sidebar::Layout layout) {
  layout_ = std::move(layout);
  place();
  update();
}

void SidebarView::resizeEvent(QResizeEvent*) { place(); }

void SidebarView::place() {
  labels_.clear();
  items_.clear();
  // The mark: the orb and the name, 50 below the top, 4 in from the side.
  const QFontMetricsF nameMetrics(look::serifFont(23, QFont::Light, true));
  const double headerHeight = std::max(26.0, nameMetrics.height());
  double y = 50;
  const double x = kSide + 4;
  orb_->placeAt(QPointF(x + 13, y + headerHeight / 2));
  name_ = QRectF(x + 26 + 10, y, kWidth - x - 36 - kSide, headerHeight);
  y += headerHeight + 26;
  const QFontMetricsF labelMetrics(labelFont(1.3));
  for (auto* b : hits_) b->deleteLater();
  hits_.clear();
  for (const auto& section : layout_.sections) {
    y += 18;
    labels_.push_back({qs(section.label), QRectF(kSide + 12, y, kWidth - 2 * kSide - 12, labelMetrics.height())});
    y += labelMetrics.height() + 6;
    for (const auto& item : section.items) {
      items_.push_back({item.page, QRectF(kSide, y, kWidth - 2 * kSide, kItemHeight)});
      auto* b = new RowButton(this);
      b->setText(qs(item.title));
      b->setAccessibleName(qs(item.title));
      b->setCheckable(true);
      b->setChecked(item.selected);
      b->setGeometry(items_.back().rect.toRect());
      b->setFocusPolicy(Qt::TabFocus);
      connect(b, &QAbstractButton::clicked, this, [this, page = item.page] {
        if (onSelect) onSelect(page);
      });
      b->show();
      hits_.push_back(b);
      y += kItemHeight;
    }
  }
  // From the bottom: the hint 20 above the edge, the banner 14 above the hint.
  const QFontMetricsF hintLabel(labelFont(1.2)), hintText(look::systemFont(12));
  const double hintHeight = hintLabel.height() + 3 + hintText.height();
  hint_ = QRectF(kSide + 4, height() - 20 - hintHeight, kWidth - 2 * kSide - 4, hintHeight);
  banner_.reset();
  if (layout_.banner) {
    const QFontMetricsF bm(bannerFont());
    const double w = 12 + 6 + 7 + bm.horizontalAdvance(qs(layout_.banner->text)) + 12;
    banner_ = QRectF(kSide, hint_.top() - 14 - 28, std::ceil(w), 28);
  }
}

std::optional<QRectF> SidebarView::itemRect(Page page) const {
  for (const auto& p : items_) {
    if (p.page == page) return p.rect;
  }
  return std::nullopt;
}

std::optional<QRectF> SidebarView::bannerRect() const { return banner_; }
QRectF SidebarView::hintRect() const { return hint_; }

std::optional<QRectF> SidebarView::countRect() const {
  for (const auto& section : layout_.sections) {
    for (const auto& item : section.items) {
      if (!item.count) continue;
      const auto r = itemRect(item.page);
      const double w = QFontMetricsF(countFont()).horizontalAdvance(qs(item.count->text));
      return QRectF(r->right() - kItemPad - w, r->top(), w, r->height());
    }
  }
  return std::nullopt;
}

void SidebarView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.fillRect(rect(), look::Margin::deep.color());

  p.setFont(look::serifFont(23, QFont::Light, true));
  p.setPen(kNight);
  p.drawText(name_, Qt::AlignLeft | Qt::AlignVCenter, "Orvak");

  p.setFont(labelFont(1.3));
  p.setPen(faded(kNight2, 0.7));
  for (const auto& l : labels_) p.drawText(l.rect, Qt::AlignLeft | Qt::AlignVCenter, l.text);

  for (const auto& section : layout_.sections) {
    for (const auto& item : section.items) {
      const QRectF r = *itemRect(item.page);
      if (item.selected) {
        p.setPen(Qt::NoPen);
        p.setBrush(faded(kNight, 0.09));
        p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
      }
      const QRectF symbol(r.left() + kItemPad + 2.5, r.center().y() - 6.5, 13, 13);
      if (item.selected) {
        // The symbol in the apricot gradient: drawn into a mask, then filled through it.
        QImage mask(symbol.size().toSize() * 2, QImage::Format_ARGB32_Premultiplied);
        mask.setDevicePixelRatio(2);
        mask.fill(Qt::transparent);
        QPainter m(&mask);
        look::paintSymbol(m, qs(item.symbol), QRectF(0, 0, 13, 13), Qt::black);
        m.setCompositionMode(QPainter::CompositionMode_SourceIn);
        m.fillRect(QRectF(0, 0, 13, 13), apricot(QRectF(0, 0, 13, 13)));
        m.end();
        p.drawImage(symbol.topLeft(), mask);
      } else {
        look::paintSymbol(p, qs(item.symbol), symbol, kNight2);
      }
      p.setFont(look::systemFont(13, item.selected ? QFont::DemiBold : QFont::Normal));
      p.setPen(item.selected ? kNight : kNight2);
      const double textLeft = r.left() + kItemPad + 18 + 10;
      double textRight = r.right() - kItemPad;
      if (item.count) {
        p.save();
        p.setFont(countFont());
        p.setPen(kNight2);
        const QRectF c = *countRect();
        p.drawText(c, Qt::AlignRight | Qt::AlignVCenter, qs(item.count->text));
        p.restore();
        textRight = c.left() - 4;
      }
      p.drawText(QRectF(textLeft, r.top(), textRight - textLeft, r.height()), Qt::AlignLeft | Qt::AlignVCenter,
                 QFontMetricsF(p.font()).elidedText(qs(item.title), Qt::ElideRight, textRight - textLeft));
    }
  }

  if (banner_) {
    const QRectF b = *banner_;
    p.setPen(Qt::NoPen);
    p.setBrush(apricot(b));
    p.drawRoundedRect(b, b.height() / 2, b.height() / 2);
    p.setBrush(faded(kBannerInk, 0.7));
    p.drawEllipse(QRectF(b.left() + 12, b.center().y() - 3, 6, 6));
    p.setFont(bannerFont());
    p.setPen(kBannerInk);
    p.drawText(QRectF(b.left() + 12 + 6 + 7, b.top(), b.width(), b.height()), Qt::AlignLeft | Qt::AlignVCenter,
               qs(layout_.banner->text));
  }

  const QFontMetricsF hintLabel(labelFont(1.2));
  p.setFont(labelFont(1.2));
  p.setPen(faded(kNight2, 0.7));
  p.drawText(QRectF(hint_.left(), hint_.top(), hint_.width(), hintLabel.height()), Qt::AlignLeft | Qt::AlignVCenter,
             qs(layout_.hintLabel));
  p.setFont(look::systemFont(12));
  p.setPen(kNight2);
  p.drawText(QRectF(hint_.left(), hint_.top() + hintLabel.height() + 3, hint_.width(),
                    hint_.height() - hintLabel.height() - 3),
             Qt::AlignLeft | Qt::AlignVCenter, qs(layout_.hint));
}

void SidebarView::mousePressEvent(QMouseEvent* e) {
  const QPointF at = e->position();
  if (banner_ && banner_->contains(at)) {
    if (onSetup) onSetup();
    return;
  }
  for (const auto& p : items_) {
    if (p.rect.contains(at)) {
      if (onSelect) onSelect(p.page);
      return;
    }
  }
  QWidget::mousePressEvent(e);
}

bool SidebarView::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(e);
    QString tip;
    if (banner_ && banner_->contains(help->pos())) tip = qs(layout_.banner->toolTip);
    if (const auto c = countRect(); c && c->contains(help->pos())) {
      for (const auto& s : layout_.sections) {
        for (const auto& i : s.items) {
          if (i.count) tip = qs(i.count->toolTip);
        }
      }
    }
    if (tip.isEmpty()) {
      QToolTip::hideText();
      e->ignore();
    } else {
      QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
  }
  return QWidget::event(e);
}

}  // namespace orvak::views
