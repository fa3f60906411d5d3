#include "app/views/main/sidebar_view.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "app/views/look/palette.h"
#include "app/views/look/pieces.h"
#include "app/views/look/qstring.h"
#include "app/views/look/scroll_bars.h"
#include "app/views/look/symbols.h"
#include "app/views/look/text_styles.h"

namespace orvak::views::main {

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

constexpr double kListGap = 10;     // at least this between the list's view and the banner or hint
constexpr double kBannerHeight = 28, kShortBannerHeight = 24;
constexpr double kFade = 22;  // the fade at an edge of a list that scrolls

// A drawn control's stand-in for the keyboard and assistive technology: takes the clicks, Space
// and Enter, and draws nothing (the sidebar draws it, with a ring while it has the focus).
class SidebarButton final : public QAbstractButton {
 public:
  // `focus` is told when the button gains (true) or loses the focus.
  SidebarButton(const QString& name, std::function<void(bool)> focus, QWidget* parent)
      : QAbstractButton(parent), focus_(std::move(focus)) {
    setText(name);
    setAccessibleName(name);
    setFocusPolicy(Qt::TabFocus);
  }

 protected:
  void paintEvent(QPaintEvent*) override {}
  // Checked means "the page shown": only the page model changes it, never a click by itself.
  void nextCheckState() override {}
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
      click();
      return;
    }
    QAbstractButton::keyPressEvent(e);
  }
  void focusInEvent(QFocusEvent* e) override {
    QAbstractButton::focusInEvent(e);
    if (focus_) focus_(true);
  }
  void focusOutEvent(QFocusEvent* e) override {
    QAbstractButton::focusOutEvent(e);
    if (focus_) focus_(false);
  }

 private:
  std::function<void(bool)> focus_;
};

}  // namespace

SidebarView::SidebarView(QWidget* parent)
    : QWidget(parent),
      rowsView_(new QWidget(this)),
      orb_(new look::HeroOrb(26, rowsView_)),
      bannerButton_(new SidebarButton({}, [this](bool) { update(); }, this)),
      bar_(new look::ThinScrollBar(Qt::Vertical, this, true)) {
  // Clicks and the wheel on the view that hit no row go on to the sidebar.
  rowsView_->setAttribute(Qt::WA_NoSystemBackground);
  setFixedWidth(kWidth);
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover);
  bannerButton_->hide();
  bar_->setSingleStep(int(kItemHeight));
  connect(bar_, &QScrollBar::valueChanged, this, [this](int value) { scrollBy(value - scroll_); });
  connect(bannerButton_, &QAbstractButton::clicked, this, [this] {
    if (onSetup) onSetup();
  });
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
  name_ = QRectF(x + 26 + 10, y, kWidth - x - 36 - kSide, headerHeight);
  y += headerHeight + 26;
  const QFontMetricsF labelMetrics(labelFont(1.3));
  // The focused row keeps the focus through the rebuild (a page chosen with Space).
  const QWidget* focused = QApplication::focusWidget();
  std::optional<Page> focusedPage;
  for (std::size_t i = 0; i < hits_.size() && i < items_.size(); ++i) {
    if (hits_[i] == focused) focusedPage = items_[i].page;
  }
  for (auto* b : hits_) {
    b->hide();  // at once: the old buttons must not take a click before they go
    b->deleteLater();
  }
  hits_.clear();
  items_.clear();
  QWidget* refocus = nullptr;
  for (const auto& section : layout_.sections) {
    y += 18;
    labels_.push_back({qs(section.label), QRectF(kSide + 12, y, kWidth - 2 * kSide - 12, labelMetrics.height())});
    y += labelMetrics.height() + 6;
    for (const auto& item : section.items) {
      const QRectF rect(kSide, y, kWidth - 2 * kSide, kItemHeight);
      items_.push_back({item.page, rect});
      auto* b = new SidebarButton(
          qs(item.title),
          [this, rect](bool in) {
            if (in) reveal(rect);
            update();
          },
          rowsView_);
      b->setCheckable(true);
      b->setChecked(item.selected);
      connect(b, &QAbstractButton::clicked, this, [this, page = item.page] {
        if (onSelect) onSelect(page);
      });
      hits_.push_back(b);
      if (focusedPage == item.page) refocus = b;
      y += kItemHeight;
    }
  }
  listHeight_ = y;

  // From the bottom: the hint 20 above the edge, the banner 14 above the hint. When the list
  // would not fit above them, the hint gives way first, then the banner gets shorter; what is
  // still too long scrolls.
  const QFontMetricsF hintLabel(labelFont(1.2)), hintText(look::systemFont(12));
  const double hintHeight = hintLabel.height() + 3 + hintText.height();
  const double hintTop = height() - 20 - hintHeight;
  struct Fit {
    bool hint;
    double banner;
  };
  const Fit fits[] = {{true, kBannerHeight}, {false, kBannerHeight}, {false, kShortBannerHeight}};
  const auto top = [&](const Fit& f) {
    if (layout_.banner) return (f.hint ? hintTop - 14 : height() - 20.0) - f.banner;
    return f.hint ? hintTop : double(height());
  };
  Fit fit = fits[0];
  for (const Fit& f : fits) {
    fit = f;
    if (top(f) - kListGap >= listHeight_) break;
  }
  hint_.reset();
  if (fit.hint) hint_ = QRectF(kSide + 4, hintTop, kWidth - 2 * kSide - 4, hintHeight);
  banner_.reset();
  if (layout_.banner) {
    const QFontMetricsF bm(bannerFont());
    const double w = std::min(12 + 6 + 7 + bm.horizontalAdvance(qs(layout_.banner->text)) + 12, kWidth - 2 * kSide);
    banner_ = QRectF(kSide, top(fit), std::ceil(w), fit.banner);
    bannerButton_->setText(qs(layout_.banner->text));
    bannerButton_->setAccessibleName(qs(layout_.banner->text));
    bannerButton_->setAccessibleDescription(qs(layout_.banner->toolTip));
    bannerButton_->setGeometry(banner_->toAlignedRect());
    bannerButton_->show();
  } else {
    bannerButton_->hide();
  }
  const bool below = banner_ || hint_;
  view_ = QRectF(0, 0, width(), std::max(0.0, below ? top(fit) - kListGap : double(height())));
  scroll_ = std::clamp(scroll_, 0.0, std::max(0.0, listHeight_ - view_.height()));
  placeScrolled();
  placeBar();
  // Tab order: the rows from the top, then the banner.
  QWidget* previous = nullptr;
  for (QWidget* b : hits_) {
    if (previous) setTabOrder(previous, b);
    previous = b;
  }
  if (previous && banner_) setTabOrder(previous, bannerButton_);
  if (refocus) refocus->setFocus(Qt::OtherFocusReason);
}

void SidebarView::placeScrolled() {
  // The orb and the rows' buttons sit in a child as large as the list's view: what is scrolled
  // out of it is cut off there, so a click on the banner or the hint never lands on a row, and a
  // row out of sight can still take the keyboard's focus (and scroll itself into view).
  rowsView_->setGeometry(view_.toAlignedRect());
  const QFontMetricsF nameMetrics(look::serifFont(23, QFont::Light, true));
  const double headerHeight = std::max(26.0, nameMetrics.height());
  orb_->placeAt(QPointF(kSide + 4 + 13, 50 + headerHeight / 2 - scroll_));
  for (std::size_t i = 0; i < hits_.size(); ++i) {
    hits_[i]->setGeometry(items_[i].rect.translated(0, -scroll_).toRect());
    hits_[i]->show();
  }
}

void SidebarView::placeBar() {
  const QSignalBlocker quiet(bar_);
  bar_->setGeometry(QRectF(width() - 1 - look::ThinScrollBar::kExtent, view_.top() + 2, look::ThinScrollBar::kExtent,
                           std::max(0.0, view_.height() - 4))
                        .toRect());
  bar_->setPageStep(int(view_.height()));
  bar_->setRange(0, int(std::ceil(std::max(0.0, listHeight_ - view_.height()))));
  bar_->setValue(int(std::lround(scroll_)));
  bar_->raise();
}

void SidebarView::scrollBy(double pixels) {
  const double next = std::clamp(scroll_ + pixels, 0.0, std::max(0.0, listHeight_ - view_.height()));
  if (next == scroll_) return;
  scroll_ = next;
  placeScrolled();
  {
    const QSignalBlocker quiet(bar_);
    bar_->setValue(int(std::lround(scroll_)));
  }
  update();
}

void SidebarView::reveal(const QRectF& contentRect) {
  const QRectF r = contentRect.translated(0, -scroll_);
  if (r.top() < view_.top()) scrollBy(r.top() - view_.top());
  if (r.bottom() > view_.bottom()) scrollBy(r.bottom() - view_.bottom());
}

void SidebarView::wheelEvent(QWheelEvent* e) {
  const double before = scroll_;
  // A notch (120) moves about two rows.
  scrollBy(-e->angleDelta().y() / 120.0 * 2 * kItemHeight);
  if (scroll_ != before) {
    e->accept();
  } else {
    QWidget::wheelEvent(e);
  }
}

std::optional<QRectF> SidebarView::itemRect(Page page) const {
  for (const auto& p : items_) {
    if (p.page == page) return p.rect.translated(0, -scroll_);
  }
  return std::nullopt;
}

std::vector<QRectF> SidebarView::labelRects() const {
  std::vector<QRectF> out;
  for (const auto& l : labels_) out.push_back(l.rect.translated(0, -scroll_));
  return out;
}

std::optional<QRectF> SidebarView::bannerRect() const { return banner_; }
std::optional<QRectF> SidebarView::hintRect() const { return hint_; }

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
  // A hairline at the page's edge: in the dark look the sidebar's near-black and the page's are
  // too close to tell apart without it (in the light one it vanishes into the sidebar).
  p.fillRect(QRectF(width() - 1, 0, 1, height()), look::Margin::line.color());

  // The mark and the list, scrolled, inside their view.
  p.save();
  p.setClipRect(view_);
  p.setFont(look::serifFont(23, QFont::Light, true));
  p.setPen(kNight);
  p.drawText(nameRect(), Qt::AlignLeft | Qt::AlignVCenter, "Orvak");

  p.setFont(labelFont(1.3));
  p.setPen(faded(kNight2, 0.7));
  for (const auto& l : labels_) p.drawText(l.rect.translated(0, -scroll_), Qt::AlignLeft | Qt::AlignVCenter, l.text);

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
  // The keyboard's place: a ring around the focused row.
  const QPen ring(faded(kNight, 0.55), 1.5);
  for (std::size_t i = 0; i < hits_.size(); ++i) {
    if (!hits_[i]->hasFocus()) continue;
    const QRectF r = items_[i].rect.translated(0, -scroll_).adjusted(1, 1, -1, -1);
    p.setPen(ring);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
  }
  // A list that scrolls fades out at the edge where more of it waits.
  const QColor deep = look::Margin::deep.color();
  const auto fade = [&](double from, double to) {
    QLinearGradient g(0, from, 0, to);
    g.setColorAt(0, faded(deep, 0));
    g.setColorAt(1, deep);
    p.fillRect(QRectF(0, std::min(from, to), width() - 1, std::abs(to - from)), g);  // the rule stays
  };
  if (scroll_ > 0) fade(view_.top() + kFade, view_.top());
  if (scroll_ < listHeight_ - view_.height()) fade(view_.bottom() - kFade, view_.bottom());
  p.restore();

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
    if (bannerButton_->hasFocus()) {
      const QRectF r = b.adjusted(-2, -2, 2, 2);
      p.setPen(QPen(faded(kNight, 0.8), 1.5));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    }
  }
  if (!hint_) return;

  const QFontMetricsF hintLabel(labelFont(1.2));
  p.setFont(labelFont(1.2));
  p.setPen(faded(kNight2, 0.7));
  const QRectF hint = *hint_;
  p.drawText(QRectF(hint.left(), hint.top(), hint.width(), hintLabel.height()), Qt::AlignLeft | Qt::AlignVCenter,
             qs(layout_.hintLabel));
  p.setFont(look::systemFont(12));
  p.setPen(kNight2);
  p.drawText(QRectF(hint.left(), hint.top() + hintLabel.height() + 3, hint.width(),
                    hint.height() - hintLabel.height() - 3),
             Qt::AlignLeft | Qt::AlignVCenter, qs(layout_.hint));
}

void SidebarView::mousePressEvent(QMouseEvent* e) {
  const QPointF at = e->position();
  if (banner_ && banner_->contains(at)) {
    if (onSetup) onSetup();
    return;
  }
  if (view_.contains(at)) {
    for (const auto& p : items_) {
      if (p.rect.translated(0, -scroll_).contains(at)) {
        if (onSelect) onSelect(p.page);
        return;
      }
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

}  // namespace orvak::views::main
