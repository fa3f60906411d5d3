#include "app/views/library/pane_scroll.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>

#include "app/views/look/scroll_bars.h"

namespace orvak::views::library {

PaneScroll::PaneScroll(int maxWidth, QWidget* parent) : QScrollArea(parent), maxWidth_(maxWidth) {
  setFrameShape(QFrame::NoFrame);
  // The column is sized here, exactly as tall as its lines need at its width: a resizable widget
  // would be stretched to the viewport or held at the column's narrowest guess.
  setWidgetResizable(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  look::useThinScrollBars(*this);
  viewport()->setAutoFillBackground(false);
  content_ = new QWidget;
  column_ = new QVBoxLayout(content_);
  column_->setContentsMargins(36, 22, 36, 70);
  column_->setSpacing(0);
  setWidget(content_);
  // Taking the column, the scroll area made it fill itself in the window colour; the pane is drawn
  // on the paper of the view behind it, over the whole area.
  content_->setAutoFillBackground(false);
  content_->installEventFilter(this);
}

void PaneScroll::setMaxWidth(int maxWidth) {
  maxWidth_ = maxWidth;
  fit();
}

void PaneScroll::afterFit(std::function<void()> f) { afterFit_.push_back(std::move(f)); }

void PaneScroll::fit() {
  const QMargins m = column_->contentsMargins();
  const int w = std::min(viewport()->width(), maxWidth_ + m.left() + m.right());
  // A column of lines that do not wrap has no height for a width (the layout answers -1).
  const int h = column_->hasHeightForWidth() ? column_->totalHeightForWidth(w) : column_->totalSizeHint().height();
  if (content_->size() != QSize(w, h)) {
    const QSize old = content_->size();
    content_->resize(w, h);
    // A hidden column gets its resize event only when shown; the scroll bars follow it now.
    if (!content_->isVisible()) {
      QResizeEvent event(content_->size(), old);
      QCoreApplication::sendEvent(content_, &event);
    }
    // The scroll area shows or hides its bar for the new range only on its next turn of the event
    // loop; until then a column that fits would stand beside an empty bar. Lay it out now, and fit
    // the column once more to the width the bar left (or gave back).
    if (!fitting_) {
      fitting_ = true;
      const int before = viewport()->width();
      QEvent relayout(QEvent::LayoutRequest);
      QCoreApplication::sendEvent(this, &relayout);
      if (viewport()->width() != before) fit();
      fitting_ = false;
    }
  }
  for (const auto& f : afterFit_) f();
}

void PaneScroll::resizeEvent(QResizeEvent* e) {
  QScrollArea::resizeEvent(e);
  fit();
}

bool PaneScroll::eventFilter(QObject* watched, QEvent* event) {
  if (watched == content_ && event->type() == QEvent::LayoutRequest) {
    // After the layout has settled, which the request is for.
    QMetaObject::invokeMethod(
        this, [this] { fit(); }, Qt::QueuedConnection);
  }
  return QScrollArea::eventFilter(watched, event);
}

void PaneScroll::paintEvent(QPaintEvent* e) { QScrollArea::paintEvent(e); }

void PaneScroll::clear(QLayout* layout) {
  while (QLayoutItem* item = layout->takeAt(0)) {
    if (QWidget* w = item->widget()) {
      if (!w->property("pooled").toBool()) {
        w->hide();
        w->deleteLater();
      }
    } else if (QLayout* inner = item->layout()) {
      clear(inner);
    }
    delete item;
  }
}

namespace {

// How far past the bottom of the view rows are made ahead of scrolling.
constexpr int kAhead = 900;
// A card's height before it is made: a two-line quote and the source row.
constexpr int kEstimatedCard = 150;

// Stands in for a card not made yet; pooled with the cards, so a reload keeps it.
class Placeholder : public QWidget {
 public:
  explicit Placeholder(int height, QWidget* parent) : QWidget(parent) {
    setFixedHeight(height);
    setProperty("pooled", true);
  }
};

}  // namespace

CardPool::CardPool(PaneContext ctx, PaneScroll* pane)
    : ctx_(std::move(ctx)), pane_(pane), alive_(std::make_shared<bool>(true)) {
  // The pane may outlive the pool by a little while its owner is taken apart.
  const auto follow = [this, alive = std::weak_ptr<bool>(alive_)] {
    if (const auto a = alive.lock(); a && *a) fill();
  };
  QObject::connect(pane_->verticalScrollBar(), &QScrollBar::valueChanged, pane_, follow);
  pane_->afterFit(follow);
}

CardPool::~CardPool() { *alive_ = false; }

void CardPool::begin() {
  rows_.clear();
  order_.clear();
  estimatedBottom_ = 0;
}

void CardPool::add(QVBoxLayout* body, const StoredItem& s, std::optional<std::int64_t> number, bool timeOnly) {
  Row row{s, number, timeOnly, body};
  auto it = cards_.find(s.id);
  const bool reusable = it != cards_.end() && it->second->property("number").toLongLong() == number.value_or(-1);
  const int viewBottom = pane_->verticalScrollBar()->value() + std::max(pane_->viewport()->height(), 600) + kAhead;
  if (reusable || estimatedBottom_ < viewBottom) {
    make(row);
    body->addWidget(row.card);
    row.card->show();
    estimatedBottom_ += row.card->isVisible() && row.card->height() > 0 ? row.card->height() : kEstimatedCard;
  } else {
    auto& kept = placeholders_[s.id];
    if (!kept) kept = new Placeholder(kEstimatedCard, pane_->content());
    row.placeholder = kept;
    body->addWidget(row.placeholder);
    estimatedBottom_ += kEstimatedCard;
  }
  body->addSpacing(12);
  estimatedBottom_ += 12;
  rows_.push_back(std::move(row));
}

SavedCard* CardPool::make(Row& row) {
  auto it = cards_.find(row.s.id);
  if (it != cards_.end() && it->second->property("number").toLongLong() == row.number.value_or(-1)) {
    it->second->setItem(row.s);
    row.card = it->second;
    return row.card;
  }
  if (it != cards_.end()) {
    it->second->hide();
    it->second->deleteLater();
    cards_.erase(it);
  }
  auto* card = new SavedCard(ctx_, row.s, row.number, row.timeOnly, pane_->content());
  card->setProperty("number", qlonglong(row.number.value_or(-1)));
  card->setProperty("pooled", true);
  cards_[row.s.id] = card;
  row.card = card;
  return card;
}

void CardPool::end() {
  std::set<SavedCard*> used;
  std::set<QWidget*> usedPlaceholders;
  for (const auto& r : rows_) {
    used.insert(r.card);
    usedPlaceholders.insert(r.placeholder);
  }
  for (auto it = placeholders_.begin(); it != placeholders_.end();) {
    if (!usedPlaceholders.count(it->second)) {
      it->second->hide();
      it->second->deleteLater();
      it = placeholders_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = cards_.begin(); it != cards_.end();) {
    if (!used.count(it->second)) {
      it->second->hide();
      it->second->deleteLater();
      it = cards_.erase(it);
    } else {
      ++it;
    }
  }
  order();
}

void CardPool::order() {
  order_.clear();
  for (const auto& r : rows_) {
    if (r.card) order_.push_back(r.card);
  }
}

bool CardPool::update(const std::vector<StoredItem>& items) {
  if (items.size() != rows_.size()) return false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].id != rows_[i].s.id) return false;
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    Row& row = rows_[i];
    if (row.s == items[i]) continue;
    row.s = items[i];
    if (row.card) row.card->setItem(row.s);
  }
  return true;
}

std::vector<StoredItem> CardPool::items() const {
  std::vector<StoredItem> out;
  out.reserve(rows_.size());
  for (const auto& r : rows_) out.push_back(r.s);
  return out;
}

void CardPool::fill() {
  // Placeholders are placed by the layout; before it has run they all stand at the top.
  if (pane_->content()->height() <= 0) return;
  // A hidden pane is resized without resize events, so its layout may still stand at an older
  // size: place the rows at the present one.
  pane_->column()->setGeometry(pane_->content()->rect());
  const int top = pane_->verticalScrollBar()->value();
  const int bottom = top + pane_->viewport()->height() + kAhead;
  bool made = false;
  for (auto& r : rows_) {
    if (!r.placeholder) continue;
    const QRect g = r.placeholder->geometry();
    if (g.top() > bottom) break;  // rows are in order: the rest are further down
    make(r);
    delete r.body->replaceWidget(r.placeholder, r.card);  // the placeholder's layout item is ours to free
    r.placeholder->hide();
    r.placeholder->deleteLater();
    placeholders_.erase(r.s.id);
    r.placeholder = nullptr;
    r.card->show();
    made = true;
  }
  if (made) order();
}

void CardPool::syncEditing() {
  for (auto* c : order_) c->syncEditing();
}

}  // namespace orvak::views::library
