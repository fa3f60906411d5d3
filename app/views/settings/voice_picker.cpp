#include "app/views/settings/voice_picker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/prefs.h"
#include "app/views/look/ink_label.h"
#include "app/views/look/palette.h"
#include "app/views/look/qstring.h"
#include "app/views/look/scroll_bars.h"
#include "app/views/look/symbols.h"
#include "app/views/look/text_styles.h"
#include "app/views/settings/kept_focus.h"
#include "app/voice_catalog/voice_catalog.h"

namespace orvak::views::settings {
namespace {

using look::qs;

// The well behind small controls.
const look::DynColor& well() { return look::Margin::margin; }

constexpr int kListHeight = 320;
constexpr double kListRadius = 10;

// The list's frame: the card colour clipped to a rounded rectangle, with its border inside.
class ListFrame : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setBrush(look::Margin::card.color());
    p.setPen(QPen(look::Margin::line2.color(), 1));
    p.drawRoundedRect(r, kListRadius, kListRadius);
  }
};

// One row: the two buttons over a hairline.
class RowWidget : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(QRect(0, height() - 1, width(), 1), look::Margin::line2.color());
  }
};

}  // namespace

// ---- PreviewButton ----

PreviewButton::PreviewButton(QString icon, QWidget* parent) : QAbstractButton(parent), icon_(std::move(icon)) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setCursor(Qt::PointingHandCursor);
}

void PreviewButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(well().color());
  p.drawEllipse(QRectF(0, 0, 24, 24));
  look::paintSymbol(p, icon_, QRectF(7, 7, 10, 10), look::Margin::ink.color());
}

// ---- VoiceSelectButton ----

VoiceSelectButton::VoiceSelectButton(const VoiceCatalogItem& voice, bool selected, QWidget* parent)
    : QAbstractButton(parent), voice_(voice), tag_(VoicePickerModel::tag(voice)) {
  setCheckable(true);
  setChecked(selected);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAccessibleName(qs(voice.name + ", " + voice.description));
}

QSize VoiceSelectButton::sizeHint() const {
  const QFontMetricsF name(look::systemFont(13)), desc(look::systemFont(11));
  return {240, int(std::ceil(name.height() + desc.height() + 2))};
}

QSize VoiceSelectButton::minimumSizeHint() const { return {60, sizeHint().height()}; }

void VoiceSelectButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QFont nameFont = look::systemFont(13, isChecked() ? QFont::DemiBold : QFont::Normal);
  const QFont descFont = look::systemFont(11);
  const QFontMetricsF nm(nameFont), dm(descFont);
  const double checkRoom = isChecked() ? 22 : 0;
  const double top = (height() - nm.height() - dm.height() - 2) / 2;

  p.setFont(nameFont);
  p.setPen(look::Margin::ink.color());
  const QString name = qs(voice_.name);
  p.drawText(QPointF(0, top + nm.ascent()), name);
  double x = nm.horizontalAdvance(name) + 6;
  if (tag_) {
    const QFont tagFont = look::systemFont(10, QFont::Medium);
    const QFontMetricsF tm(tagFont);
    const QString tag = qs(*tag_);
    const QRectF capsule(x, top + (nm.height() - tm.height() - 2) / 2, tm.horizontalAdvance(tag) + 12, tm.height() + 2);
    p.setPen(Qt::NoPen);
    p.setBrush(well().color());
    p.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    p.setFont(tagFont);
    p.setPen(look::Margin::ink2.color());
    p.drawText(capsule, Qt::AlignCenter, tag);
  }
  p.setFont(descFont);
  p.setPen(look::Margin::ink3.color());
  p.drawText(QPointF(0, top + nm.height() + 2 + dm.ascent()),
             dm.elidedText(qs(voice_.description), Qt::ElideRight, width() - checkRoom - 4));
  if (isChecked()) {
    look::paintSymbol(p, "checkmark", QRectF(width() - 16, (height() - 12) / 2.0, 12, 12), look::Margin::ink.color());
  }
}

// ---- VoicePicker ----

VoicePicker::VoicePicker(VoiceCatalog& catalog, VoiceSource& source, Prefs& prefs, QWidget* parent)
    : QWidget(parent), catalog_(catalog), source_(source), prefs_(prefs) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(10);

  loading_ = new look::InkLabel("Loading voices…", look::systemFont(12), look::Margin::ink3, this);
  column->addWidget(loading_);

  filterRow_ = new QWidget(this);
  auto* filters = new QHBoxLayout(filterRow_);
  filters->setContentsMargins(0, 0, 0, 0);
  filters->setSpacing(8);
  search_ = new QLineEdit(filterRow_);
  search_->setPlaceholderText("Search voices");
  search_->setMaximumWidth(200);
  who_ = new QComboBox(filterRow_);
  who_->setAccessibleName("Who");
  who_->addItems({VoicePickerModel::kAnyone, VoicePickerModel::kWomen, VoicePickerModel::kMen});
  who_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  accent_ = new QComboBox(filterRow_);
  accent_->setAccessibleName("Accent");
  accent_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  others_ = new QCheckBox("Other languages", filterRow_);
  others_->setFont(look::systemFont(12));
  filters->addWidget(search_, 1);
  filters->addWidget(who_);
  filters->addWidget(accent_);
  filters->addWidget(others_);
  filters->addStretch(0);
  column->addWidget(filterRow_);

  auto* frame = listFrame_ = new ListFrame(this);
  frame->setFixedHeight(kListHeight);
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->setContentsMargins(1, 1, 1, 1);
  list_ = new QScrollArea(frame);
  list_->setFrameShape(QFrame::NoFrame);
  list_->setWidgetResizable(true);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  look::useThinScrollBars(*list_);
  list_->viewport()->setAutoFillBackground(false);
  auto* inner = new QWidget;
  inner->setAutoFillBackground(false);
  listColumn_ = new QVBoxLayout(inner);
  listColumn_->setContentsMargins(12, 0, 12, 0);
  listColumn_->setSpacing(0);
  list_->setWidget(inner);
  // The frame's card shows through (setWidget turns the fill on).
  inner->setAutoFillBackground(false);
  list_->setAutoFillBackground(false);
  frameLayout->addWidget(list_);
  column->addWidget(frame);

  connect(search_, &QLineEdit::textChanged, this, [this] { rebuildRows(); });
  connect(who_, &QComboBox::currentIndexChanged, this, [this] { rebuildRows(); });
  connect(accent_, &QComboBox::currentIndexChanged, this, [this] { rebuildRows(); });
  connect(others_, &QCheckBox::toggled, this, [this] { rebuildRows(); });

  catalogObserver_ = catalog_.addObserver([this] { rebuild(); });
  prefsObserver_ = prefs_.addObserver([this](Prefs::Setting s) {
    if (s == Prefs::Setting::inworldVoice) rebuildRows();
  });
  rebuild();
}

VoicePicker::~VoicePicker() {
  catalog_.removeObserver(catalogObserver_);
  prefs_.removeObserver(prefsObserver_);
}

VoicePickerModel::Filters VoicePicker::filters() const {
  return {
      search_->text().toStdString(), who_->currentText().toStdString(),
      accent_->currentIndex() <= 0 ? std::string(VoicePickerModel::kAnyAccent) : accent_->currentText().toStdString(),
      others_->isChecked()};
}

void VoicePicker::rebuild() {
  const auto& list = catalog_.list();
  const bool has = list.has_value();
  loading_->setVisible(!has);
  filterRow_->setVisible(has);
  listFrame_->setVisible(has);
  if (has) {
    // The accent menu follows the list, keeping the chosen accent when it is still offered.
    const QString chosen = accent_->currentIndex() > 0 ? accent_->currentText() : QString();
    const QSignalBlocker quiet(accent_);
    accent_->clear();
    accent_->addItem(VoicePickerModel::kAnyAccent);
    for (const auto& a : VoicePickerModel::accents(*list)) accent_->addItem(qs(a));
    const int again = chosen.isEmpty() ? 0 : accent_->findText(chosen);
    accent_->setCurrentIndex(again < 0 ? 0 : again);
  }
  hadList_ = has;
  rebuildRows();
}

void VoicePicker::rebuildRows() {
  // A sample started with Space rebuilds the rows; the next Space must reach the same button.
  KeptFocus focus;
  for (const Row& r : rows_) {
    focus.note(r.preview, "preview " + r.id);
    focus.note(r.select, "select " + r.id);
  }
  while (auto* item = listColumn_->takeAt(0)) {
    if (auto* w = item->widget()) {
      // Later: the click that changed the choice may be running in one of these buttons.
      w->hide();
      w->setParent(nullptr);
      w->deleteLater();
    }
    delete item;
  }
  rows_.clear();
  noMatch_ = nullptr;
  if (!catalog_.list()) return;
  const auto shown = VoicePickerModel::items(*catalog_.list(), filters());
  if (shown.empty()) {
    noMatch_ = new look::InkLabel("No voices match.", look::systemFont(12), look::Margin::ink3);
    noMatch_->setContentsMargins(0, 12, 0, 0);
    listColumn_->addWidget(noMatch_);
  }
  for (const auto& voice : shown) {
    auto* row = new RowWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 7, 0, 7);
    layout->setSpacing(10);
    const bool playing = catalog_.playing() == voice.id;
    auto* preview = new PreviewButton(
        qs(VoicePickerModel::previewIcon(voice.id, catalog_.playing(), catalog_.loadingPreview())), row);
    preview->setToolTip(qs("Hear " + voice.name));
    preview->setAccessibleName(qs((playing ? "Stop " : "Hear ") + voice.name));
    auto* select = new VoiceSelectButton(voice, prefs_.inworldVoice() == voice.id, row);
    layout->addWidget(preview, 0, Qt::AlignVCenter);
    layout->addWidget(select, 1);
    connect(preview, &QAbstractButton::clicked, this, [this, id = voice.id] { catalog_.preview(id, source_); });
    // The settings' observer redraws the rows with the new choice.
    connect(select, &QAbstractButton::clicked, this, [this, id = voice.id] { prefs_.setInworldVoice(id); });
    listColumn_->addWidget(row);
    rows_.push_back({voice.id, preview, select});
    focus.giveBack(preview, "preview " + voice.id);
    focus.giveBack(select, "select " + voice.id);
  }
  listColumn_->addStretch(1);
}

}  // namespace orvak::views::settings
