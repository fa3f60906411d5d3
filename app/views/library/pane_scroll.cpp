#include "app/views/library/pane_scroll.h"

#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace orvak::views::library {

PaneScroll::PaneScroll(int maxWidth, QWidget* parent) : QScrollArea(parent), maxWidth_(maxWidth) {
  setFrameShape(QFrame::NoFrame);
  // The column is sized here, exactly as tall as its lines need at its width: a resizable widget
  // would be stretched to the viewport or held at the column's narrowest guess.
  setWidgetResizable(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setAutoFillBackground(false);
  content_ = new QWidget;
  content_->setAutoFillBackground(false);
  column_ = new QVBoxLayout(content_);
  column_->setContentsMargins(36, 22, 36, 70);
  column_->setSpacing(0);
  setWidget(content_);
  content_->installEventFilter(this);
}

void PaneScroll::setMaxWidth(int maxWidth) {
  maxWidth_ = maxWidth;
  fit();
}

void PaneScroll::fit() {
  const QMargins m = column_->contentsMargins();
  const int w = std::min(viewport()->width(), maxWidth_ + m.left() + m.right());
  const int h = column_->totalHeightForWidth(w);
  if (content_->size() != QSize(w, h)) content_->resize(w, h);
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

void CardPool::begin() {
  order_.clear();
  used_.clear();
}

SavedCard* CardPool::card(const StoredItem& s, std::optional<std::int64_t> number, bool timeOnly, QWidget* parent) {
  auto it = cards_.find(s.id);
  if (it != cards_.end() && it->second->property("number").toLongLong() == number.value_or(-1)) {
    it->second->setItem(s);
    order_.push_back(it->second);
    used_.insert(s.id);
    return it->second;
  }
  if (it != cards_.end()) {
    it->second->hide();
    it->second->deleteLater();
    cards_.erase(it);
  }
  auto* card = new SavedCard(ctx_, s, number, timeOnly, parent);
  card->setProperty("number", qlonglong(number.value_or(-1)));
  card->setProperty("pooled", true);
  cards_[s.id] = card;
  order_.push_back(card);
  used_.insert(s.id);
  return card;
}

void CardPool::end() {
  for (auto it = cards_.begin(); it != cards_.end();) {
    if (!used_.count(it->first)) {
      it->second->hide();
      it->second->deleteLater();
      it = cards_.erase(it);
    } else {
      ++it;
    }
  }
}

void CardPool::syncEditing() {
  for (auto* c : order_) c->syncEditing();
}

}  // namespace orvak::views::library
