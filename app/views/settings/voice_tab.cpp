#include "app/views/settings/voice_tab.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include "app/audio/earcon.h"
#include "app/prefs.h"
#include "app/settings/voice_page_host.h"
#include "app/views/look/controls.h"
#include "app/views/look/palette.h"
#include "app/views/look/qstring.h"
#include "app/views/look/text_styles.h"
#include "app/views/settings/fitted_text.h"
#include "app/views/settings/kept_focus.h"
#include "app/views/settings/rows.h"
#include "app/views/settings/voice_picker.h"
#include "app/voice_catalog/voice_catalog.h"

namespace orvak::views::settings {
namespace {

using look::qs;

// The strip behind the speed buttons.
class Strip : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(look::Margin::margin.color());
    p.drawRoundedRect(QRectF(rect()), 7, 7);
  }
};

}  // namespace

// ---- VendorRowButton ----

VendorRowButton::VendorRowButton(const VoicePageModel::VendorRow& row, QWidget* parent)
    : QAbstractButton(parent), row_(row) {
  setCheckable(true);
  setChecked(row.selected);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAccessibleName(qs(row.title));
  setAccessibleDescription(qs(row.subtitle));
  setCursor(Qt::PointingHandCursor);
}

QSize VendorRowButton::sizeHint() const {
  const QFontMetricsF t(look::systemFont(13)), s(look::systemFont(11.5));
  return {320, int(std::ceil(t.height() + s.height() + 2 + 20))};
}

void VendorRowButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double mid = height() / 2.0;
  // The radio mark: a 15 circle, stroked inside its edge.
  const double stroke = row_.selected ? 4.5 : 1.0;
  p.setPen(QPen(row_.selected ? look::Margin::ink.color() : look::Margin::ink3.color(), stroke));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(stroke / 2, mid - 7.5 + stroke / 2, 15 - stroke, 15 - stroke));
  const QFont title = look::systemFont(13), sub = look::systemFont(11.5);
  const QFontMetricsF tm(title), sm(sub);
  const double top = mid - (tm.height() + 2 + sm.height()) / 2;
  p.setFont(title);
  p.setPen(look::Margin::ink.color());
  p.drawText(QPointF(27, top + tm.ascent()), qs(row_.title));
  p.setFont(sub);
  p.setPen(look::Margin::ink3.color());
  p.drawText(QPointF(27, top + tm.height() + 2 + sm.ascent()),
             sm.elidedText(qs(row_.subtitle), Qt::ElideRight, width() - 27));
  p.fillRect(QRect(0, height() - 1, width(), 1), look::Margin::line2.color());
}

// ---- SpeedButton ----

SpeedButton::SpeedButton(const VoicePageModel::SpeedButton& speed, QWidget* parent)
    : QAbstractButton(parent), value_(speed.value) {
  setText(qs(speed.label));
  setCheckable(true);
  setChecked(speed.selected);
  setCursor(Qt::PointingHandCursor);
}

QSize SpeedButton::sizeHint() const {
  const QFontMetricsF m(look::digitsFont(12, QFont::DemiBold));
  return {int(std::ceil(m.horizontalAdvance(text()) + 16)), 22};
}

void SpeedButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (isChecked()) {
    const QRectF r = QRectF(rect()).adjusted(0, 0, 0, -1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, int(0.12 * 255)));
    p.drawRoundedRect(r.translated(0, 0.5).adjusted(-0.5, -0.5, 0.5, 0.5), 5, 5);
    p.setBrush(look::Margin::paper.color());
    p.drawRoundedRect(r, 5, 5);
  }
  p.setFont(look::digitsFont(12, isChecked() ? QFont::DemiBold : QFont::Normal));
  p.setPen(isChecked() ? look::Margin::ink.color() : look::Margin::ink2.color());
  p.drawText(rect(), Qt::AlignCenter, text());
}

// ---- VoiceTab ----

VoiceTab::VoiceTab(VoicePageHost& host, Prefs& prefs, QWidget* parent)
    : QWidget(parent), host_(host), prefs_(prefs), onDevice_(host.onDeviceVoices()) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(22);
  voice_ = new MSection("Voice", this);
  column->addWidget(voice_);

  auto* speed = new MSection("Speed", this);
  auto* strip = new Strip;
  auto* stripRow = new QHBoxLayout(strip);
  stripRow->setContentsMargins(2, 2, 2, 2);
  stripRow->setSpacing(0);
  for (const auto& s : VoicePageModel::speedStrip(prefs_.speed())) {
    auto* b = new SpeedButton(s, strip);
    connect(b, &QAbstractButton::clicked, this, [this, v = s.value] { prefs_.setSpeed(v); });
    stripRow->addWidget(b);
    speeds_.push_back(b);
  }
  speed->addRow("Reading speed", std::nullopt, strip);
  sample_ = new look::MarginButton("Play a Sample", false);
  connect(sample_, &QAbstractButton::clicked, this, [this] {
    ReadOptions opts;
    opts.earcon = Earcon::enabled.load();
    host_.trigger("test", -1, opts, std::string(VoicePageModel::kSampleText));
  });
  speed->addRow("Hear it",
                QString("If the natural voice can't be reached (offline or an outage), Orvak switches to the on-device "
                        "voice."),
                sample_);
  column->addWidget(speed);

  buildVoice();
  prefsObserver_ = prefs_.addObserver([this](Prefs::Setting s) {
    if (s == Prefs::Setting::vendor) buildVoice();
    if (s == Prefs::Setting::speed) showSpeed();
    if (s == Prefs::Setting::inworldVoice && chooser_ == VoicePageModel::Chooser::naturalMenu) buildVoice();
  });
}

VoiceTab::~VoiceTab() { prefs_.removeObserver(prefsObserver_); }

void VoiceTab::showSpeed() {
  for (auto* b : speeds_) b->setChecked(b->value() == prefs_.speed());
}

void VoiceTab::buildVoice() {
  using VoicePageModel::Chooser;
  // A source chosen with Space rebuilds the section; the focus stays on the chosen row.
  KeptFocus focus;
  for (const VendorRowButton* b : vendorRows_) focus.note(b, std::string(rawValue(b->row().vendor)));
  focus.note(voiceMenu_, "menu");
  focus.note(voiceField_, "field");
  voice_->clear();
  vendorRows_.clear();
  picker_ = nullptr;
  voiceMenu_ = nullptr;
  voiceField_ = nullptr;
  voiceRow_ = nullptr;
  const bool developer = prefs_.d->flag(Prefs::kDeveloperFlag);
  const bool debugControl = prefs_.d->flag(Prefs::kDebugControlFlag);
  for (const auto& row :
       VoicePageModel::vendorRows(developer, prefs_.vendor(), [this](std::string_view k) { return host_.hasKey(k); })) {
    auto* b = new VendorRowButton(row);
    connect(b, &QAbstractButton::clicked, this, [this, v = row.vendor] { prefs_.setVendor(v); });
    voice_->add(b);
    vendorRows_.push_back(b);
    focus.giveBack(b, std::string(rawValue(row.vendor)));
  }
  const auto natural = host_.naturalVoices();
  chooser_ = VoicePageModel::chooser({prefs_.vendor(), developer, debugControl, host_.hasKey("account"),
                                      host_.catalog().list().has_value(), natural.empty()});
  switch (chooser_) {
    case Chooser::onDeviceMenu: {
      voiceMenu_ = new QComboBox;
      voiceMenu_->setAccessibleName("Voice");
      voiceMenu_->addItem("Best installed", QString());
      for (const auto& v : onDevice_) voiceMenu_->addItem(qs(v.name), qs(v.id));
      const int at = voiceMenu_->findData(qs(prefs_.onDeviceVoice()));
      voiceMenu_->setCurrentIndex(at < 0 ? 0 : at);
      connect(voiceMenu_, &QComboBox::activated, this,
              [this](int i) { prefs_.setOnDeviceVoice(voiceMenu_->itemData(i).toString().toStdString()); });
      voiceRow_ = voice_->addRow("Voice", QString(VoicePageModel::kOnDeviceCaption), voiceMenu_);
      break;
    }
    case Chooser::voiceIdField:
      voiceField_ = new QLineEdit(qs(prefs_.cartesiaVoice()));
      voiceField_->setPlaceholderText("Voice ID");
      voiceField_->setFixedWidth(220);
      connect(voiceField_, &QLineEdit::textEdited, this,
              [this](const QString& t) { prefs_.setCartesiaVoice(t.toStdString()); });
      voiceRow_ = voice_->addRow("Voice ID", std::nullopt, voiceField_);
      break;
    case Chooser::picker: {
      picker_ = new VoicePicker(host_.catalog(), host_.voiceSource(), prefs_);
      auto* box = new QWidget;
      auto* pad = new QVBoxLayout(box);
      pad->setContentsMargins(0, 12, 0, 12);
      pad->addWidget(picker_);
      voice_->add(box);
      // Each showing of the picker asks for the list anew.
      host_.catalog().load(host_.voiceSource());
      break;
    }
    case Chooser::naturalMenu: {
      voiceMenu_ = new QComboBox;
      voiceMenu_->setAccessibleName("Voice");
      std::optional<QString> caption;
      for (const auto& v : natural) {
        voiceMenu_->addItem(qs(v.name), qs(v.id));
        if (v.id == prefs_.inworldVoice()) caption = qs(v.description);
      }
      const int at = voiceMenu_->findData(qs(prefs_.inworldVoice()));
      voiceMenu_->setCurrentIndex(at);
      connect(voiceMenu_, &QComboBox::activated, this,
              [this](int i) { prefs_.setInworldVoice(voiceMenu_->itemData(i).toString().toStdString()); });
      voiceRow_ = voice_->addRow("Voice", caption, voiceMenu_);
      break;
    }
    case Chooser::naturalField:
      voiceField_ = new QLineEdit(qs(prefs_.inworldVoice()));
      voiceField_->setPlaceholderText("Voice");
      voiceField_->setFixedWidth(160);
      connect(voiceField_, &QLineEdit::textEdited, this,
              [this](const QString& t) { prefs_.setInworldVoice(t.toStdString()); });
      voiceRow_ = voice_->addRow("Voice", std::nullopt, voiceField_);
      break;
  }
  focus.giveBack(voiceMenu_, "menu");
  focus.giveBack(voiceField_, "field");
}

}  // namespace orvak::views::settings
