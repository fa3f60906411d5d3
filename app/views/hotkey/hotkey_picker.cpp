#include "app/views/hotkey/hotkey_picker.h"

#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPropertyAnimation>
#include <QVBoxLayout>

#include "app/views/look/appearance.h"
#include "app/views/look/controls.h"
#include "app/views/look/curves.h"
#include "app/views/look/painting.h"
#include "app/views/look/palette.h"
#include "app/views/look/pieces.h"
#include "app/views/look/qstring.h"
#include "app/views/look/text_styles.h"

namespace orvak::views::hotkey {

namespace {

using look::Margin::card;
using look::Margin::ink;
using look::Margin::ink2;
using look::Margin::ink3;
using look::Margin::line;

using look::qs;

void setColor(QLabel* label, const look::DynColor& color) {
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, color.color());
  // Inside a button a label draws in the button's text role.
  pal.setColor(QPalette::ButtonText, color.color());
  label->setPalette(pal);
}

QLabel* makeLabel(const QString& text, const QFont& font, const look::DynColor& color, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setFont(font);
  setColor(label, color);
  return label;
}

// One line that ends in "…" when the room runs out, rather than being cut through a letter.
class OneLineLabel : public QLabel {
 public:
  using QLabel::QLabel;
  QSize minimumSizeHint() const override { return {1, QLabel::minimumSizeHint().height()}; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    p.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter,
               fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width()));
  }
};

}  // namespace

// ---- HotkeyCard ----

HotkeyCard::HotkeyCard(const ModifierTap::Choice& choice, QWidget* parent)
    : QAbstractButton(parent), keyCode_(choice.keyCode) {
  ease_.setEasingCurve(look::easing(Curve::ease));
  ease_.setDuration(look::durationMs(Curve::ease));
  connect(&ease_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    shown_ = v.toDouble();
    update();
  });
  setCursor(Qt::PointingHandCursor);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 8);
  layout->setSpacing(10);
  // The caps sit in slots of one width, so the titles of all cards start on one line.
  auto* cap = new look::KeyCap(qs(HotkeyPickerModel::glyph(choice.keyCode)), 12, this);
  cap->setFixedWidth(look::KeyCap("Ctrl", 12).sizeHint().width());
  layout->addWidget(cap, 0, Qt::AlignVCenter);
  auto* column = new QVBoxLayout;
  column->setSpacing(1);
  title_ = makeLabel(qs(HotkeyPickerModel::cardTitle(choice)), look::systemFont(13), ink, this);
  caption_ = new OneLineLabel(qs(HotkeyPickerModel::cardCaption(choice)), this);
  caption_->setFont(look::systemFont(11));
  setColor(caption_, ink3);
  column->addWidget(title_);
  column->addWidget(caption_);
  layout->addLayout(column, 1);
  // The labels are drawn on the button; the clicks are the button's.
  for (QWidget* w : std::initializer_list<QWidget*>{cap, title_, caption_}) {
    w->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  setAccessibleName(title_->text());
  setAccessibleDescription(caption_->text());
}

QString HotkeyCard::title() const { return title_->text(); }
QString HotkeyCard::caption() const { return caption_->text(); }

void HotkeyCard::setSelected(bool selected) {
  if (selected == selected_ && shown_ == (selected ? 1.0 : 0.0)) return;
  selected_ = selected;
  title_->setFont(look::systemFont(13, selected ? QFont::Medium : QFont::Normal));
  // The fill and the border ease from one state to the other; a card not yet on screen (or with
  // motion reduced) takes its state at once.
  ease_.stop();
  if (!isVisible() || look::reducedMotion()) {
    shown_ = selected ? 1.0 : 0.0;
    update();
    return;
  }
  ease_.setStartValue(shown_);
  ease_.setEndValue(selected ? 1.0 : 0.0);
  ease_.start();
}

QSize HotkeyCard::sizeHint() const { return layout()->sizeHint(); }
QSize HotkeyCard::minimumSizeHint() const { return {layout()->minimumSize().width(), layout()->sizeHint().height()}; }

void HotkeyCard::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double t = shown_;  // 0 unselected, 1 selected
  const double w = 1.0 + 0.5 * t;
  // The border is stroked inside the card's edge.
  const QRectF r = QRectF(rect()).adjusted(w / 2, w / 2, -w / 2, -w / 2);
  p.setPen(Qt::NoPen);
  p.setBrush(card.color());
  p.setOpacity(0.5 + 0.5 * t);
  p.drawRoundedRect(QRectF(rect()), 12, 12);
  p.setOpacity(isDown() ? 0.75 : 1.0);
  p.setBrush(Qt::NoBrush);
  const QColor from = line.color(), to = ink.color();
  const QColor border = QColor::fromRgbF(
      float(from.redF() + (to.redF() - from.redF()) * t), float(from.greenF() + (to.greenF() - from.greenF()) * t),
      float(from.blueF() + (to.blueF() - from.blueF()) * t), float(from.alphaF() + (to.alphaF() - from.alphaF()) * t));
  p.setPen(QPen(border, w));
  p.drawRoundedRect(r, 12 - w / 2, 12 - w / 2);
}

// ---- HotkeyPicker ----

HotkeyPicker::HotkeyPicker(Prefs& prefs, HotkeyTest& test, bool compact, QWidget* parent, bool keyWatched)
    : QWidget(parent), prefs_(prefs), test_(test), model_(prefs, test, keyWatched) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(12);
  const auto& all = ModifierTap::Choice::all();
  if (compact) {
    menu_ = new QComboBox(this);
    menu_->setAccessibleName("Key");
    menu_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const auto& choice : all) {
      menu_->addItem(qs(HotkeyPickerModel::menuText(choice)), int(choice.keyCode));
    }
    // `activated` comes with every choice the user makes, the current one included.
    connect(menu_, &QComboBox::activated, this,
            [this](int index) { model_.select(std::uint16_t(menu_->itemData(index).toInt())); });
    column->addWidget(menu_, 0, Qt::AlignLeft);
  } else {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    for (std::size_t i = 0; i < all.size(); ++i) {
      auto* card = new HotkeyCard(all[i], this);
      connect(card, &QAbstractButton::clicked, this, [this, code = all[i].keyCode] { model_.select(code); });
      grid->addWidget(card, int(i / 2), int(i % 2));
      cards_.push_back(card);
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    column->addLayout(grid);
  }
  row_ = new QWidget(this);
  row_->setMinimumHeight(30);
  rowLayout_ = new QHBoxLayout(row_);
  rowLayout_->setContentsMargins(0, 0, 0, 0);
  rowLayout_->setSpacing(10);
  column->addWidget(row_);
  column->addStretch(1);

  showSelection();
  rebuildRow();
  prefsObserver_ = prefs_.addObserver([this](Prefs::Setting s) {
    if (s != Prefs::Setting::hotkeyCode) return;
    showSelection();
    rebuildRow();  // the waiting text names the key
  });
  testObserver_ = test_.addObserver([this] { rebuildRow(); });
}

HotkeyPicker::~HotkeyPicker() {
  prefs_.removeObserver(prefsObserver_);
  test_.removeObserver(testObserver_);
}

void HotkeyPicker::showSelection() {
  const auto selected = model_.selectedIndex();
  if (menu_) {
    menu_->setCurrentIndex(selected ? int(*selected) : -1);
  }
  for (std::size_t i = 0; i < cards_.size(); ++i) {
    cards_[i]->setSelected(selected && *selected == i);
  }
}

QString HotkeyPicker::rowText() const {
  QString text = rowLabel_ ? rowLabel_->text() : QString();
  if (rowButton_) text += (text.isEmpty() ? "" : " | ") + rowButton_->text();
  return text;
}

void HotkeyPicker::rebuildRow() {
  using Kind = HotkeyTest::State::Kind;
  // The previous state's widgets leave the row at once; they are deleted later because the button
  // whose click armed the test may be among them, still in its click.
  for (QWidget* child : row_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    child->hide();
    child->setParent(nullptr);
    child->deleteLater();
  }
  rowLabel_ = nullptr;
  rowButton_ = nullptr;
  while (rowLayout_->count() > 0) delete rowLayout_->takeAt(0);

  const auto row = model_.row();
  switch (row.kind) {
    case Kind::idle:
      if (!row.text.empty()) {
        rowLabel_ = makeLabel(qs(row.text), look::systemFont(13), ink2, row_);
        rowLabel_->setWordWrap(true);
        rowLayout_->addWidget(rowLabel_, 1, Qt::AlignVCenter);
      }
      break;
    case Kind::waiting:
      rowLayout_->addWidget(new look::KeyCap(qs(*row.glyph), 12, row_), 0, Qt::AlignVCenter);
      rowLabel_ = makeLabel(qs(row.text), look::systemFont(13), ink, row_);
      rowLayout_->addWidget(rowLabel_, 0, Qt::AlignVCenter);
      break;
    case Kind::checking:
      rowLayout_->addWidget(new look::Spinner(row_), 0, Qt::AlignVCenter);
      rowLabel_ = makeLabel(qs(row.text), look::systemFont(13), ink2, row_);
      rowLayout_->addWidget(rowLabel_, 0, Qt::AlignVCenter);
      break;
    case Kind::ok: {
      rowLayout_->addWidget(new look::StatusDot(true, row_), 0, Qt::AlignVCenter);
      rowLabel_ = new look::MarkedText(qs(row.text), look::systemFont(13, QFont::Medium), row_);
      rowLayout_->addWidget(rowLabel_, 0, Qt::AlignVCenter);
      break;
    }
    case Kind::clash: {
      // The sentence, and under its last line the red pencil's wavy line, 60 x 3, its bottom 5
      // below the text's.
      auto* box = new QWidget(row_);
      auto* boxLayout = new QVBoxLayout(box);
      boxLayout->setContentsMargins(0, 0, 0, 0);
      boxLayout->setSpacing(1);
      rowLabel_ = makeLabel(qs(row.text), look::systemFont(13), ink, box);
      rowLabel_->setWordWrap(true);
      boxLayout->addWidget(rowLabel_);
      auto* squiggle = new look::Squiggle(look::Margin::redPencil, 1.1, box);
      squiggle->setFixedSize(62, 5);  // the path runs 1 inside each edge
      boxLayout->addWidget(squiggle, 0, Qt::AlignLeft);
      rowLayout_->addWidget(box, 1, Qt::AlignVCenter);
      break;
    }
  }
  if (row.button) {
    auto* button = new look::MarginButton(qs(*row.button), false, row_);
    connect(button, &QAbstractButton::clicked, this, [this] { model_.test(); });
    rowButton_ = button;
    rowLayout_->addWidget(button, 0, Qt::AlignVCenter);
  }
  if (row.kind != Kind::clash && !(row.kind == Kind::idle && rowLabel_)) rowLayout_->addStretch(1);
  // A layout shows new children only on the next turn of the event loop; a picture taken now
  // must have them.
  if (row_->isVisible()) {
    for (QWidget* w : row_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) w->show();
  }
  row_->setAccessibleDescription(rowText());
  // The new state eases in over the old one's place.
  if (row_->isVisible() && !look::reducedMotion()) {
    auto* effect = new QGraphicsOpacityEffect(row_);
    row_->setGraphicsEffect(effect);  // replaces (and deletes) one still running
    auto* fade = new QPropertyAnimation(effect, "opacity", row_);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->setDuration(look::durationMs(Curve::ease));
    fade->setEasingCurve(look::easing(Curve::ease));
    // Without the effect once done: moving pieces in the row draw straight to the screen again.
    connect(fade, &QAbstractAnimation::finished, row_, [row = row_, effect = QPointer(effect)] {
      if (effect && row->graphicsEffect() == effect) row->setGraphicsEffect(nullptr);
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
  }
}

}  // namespace orvak::views::hotkey
