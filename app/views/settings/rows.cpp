#include "app/views/settings/rows.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "app/views/look/ink_label.h"
#include "app/views/look/painting.h"
#include "app/views/look/palette.h"
#include "app/views/look/pieces.h"
#include "app/views/look/text_styles.h"
#include "app/views/settings/fitted_text.h"

namespace orvak::views::settings {
namespace {

// The card behind a section's content.
class Card : public QWidget {
 public:
  explicit Card(QWidget* parent) : QWidget(parent) {
    // An empty card still shows as a card.
    setMinimumHeight(2 * MSection::kCardRadius);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    look::paintCard(p, QRectF(rect()), MSection::kCardRadius);
  }
};

}  // namespace

MRow::MRow(const QString& label, std::optional<QString> caption, QWidget* trailing, QWidget* parent)
    : QWidget(parent), trailing_(trailing) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, kPadding, 0, kPadding);
  row->setSpacing(12);

  // The texts keep their own heights, centred between two stretches when the row is taller.
  auto* texts = new QVBoxLayout;
  texts->setSpacing(2);
  texts->addStretch(1);
  label_ = new look::InkLabel(label, look::systemFont(13), look::Margin::ink, this);
  label_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  texts->addWidget(label_);
  if (caption) {
    caption_ = new ClampedText(*caption, look::systemFont(11.5), look::Margin::ink3, 0, this);
    texts->addWidget(caption_);
  }
  texts->addStretch(1);
  row->addLayout(texts, 1);
  // The spacer between the texts and the control: at least 8, the rest of the width going to the
  // texts, whose captions wrap in it.
  row->addSpacing(8);
  if (trailing_) {
    trailing_->setParent(this);
    trailing_->setFont(look::systemFont(kTrailingFontSize));
    row->addWidget(trailing_, 0, Qt::AlignVCenter);
  }
  setMinimumHeight(kMinHeight);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
}

QRect MRow::hairline() const { return QRect(0, height() - 1, width(), 1); }

void MRow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(hairline(), look::Margin::line2.color());
}

MSection::MSection(const QString& title, QWidget* parent) : QWidget(parent) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(10);
  heading_ = new look::Eyebrow(title, std::nullopt, true, this);
  heading_->setContentsMargins(0, 0, 0, 0);
  auto* headingBox = new QHBoxLayout;
  headingBox->setContentsMargins(2, 14, 0, 0);
  headingBox->addWidget(heading_);
  headingBox->addStretch(1);
  column->addLayout(headingBox);
  card_ = new Card(this);
  content_ = new QVBoxLayout(card_);
  content_->setContentsMargins(kSideInset, 0, kSideInset, 0);
  content_->setSpacing(0);
  column->addWidget(card_);
  // As tall as its rows' captions need once wrapped at the real width: a Maximum (or Fixed) policy
  // would cap it at the height measured before that width was known. The page's closing stretch
  // takes the room a section does not need.
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void MSection::add(QWidget* widget) {
  widget->setParent(card_);
  content_->addWidget(widget);
}

MRow* MSection::addRow(const QString& label, std::optional<QString> caption, QWidget* trailing) {
  auto* row = new MRow(label, std::move(caption), trailing, card_);
  content_->addWidget(row);
  return row;
}

look::InkLabel* MSection::addText(const QString& text) {
  auto* line = new look::InkLabel(text, look::systemFont(12.5), look::Margin::ink2, card_);
  line->setWordWrap(true);
  content_->addWidget(line);
  return line;
}

void MSection::clear() {
  while (auto* item = content_->takeAt(0)) {
    if (auto* w = item->widget()) {
      // Later: the widget may be the button whose click is clearing the card.
      w->hide();
      w->setParent(nullptr);
      w->deleteLater();
    }
    delete item;
  }
}

}  // namespace orvak::views::settings
