#include "app/views/onboarding/onboarding_pages.h"

#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

#include "app/views/look/appearance.h"
#include "app/views/look/controls.h"
#include "app/views/look/curves.h"
#include "app/views/look/palette.h"
#include "app/views/look/scroll_bars.h"
#include "app/views/look/symbols.h"
#include "app/views/look/text_styles.h"
#include "app/views/onboarding/ax_hiding.h"
#include "app/views/onboarding/onboarding_kit.h"
#include "app/views/settings/cheat_sheet_view.h"

namespace orvak::views::onboarding {

using look::Margin::ink;
using look::Margin::ink2;
using look::Margin::ink3;

namespace {

void fade(QWidget* w, double opacity) {
  if (opacity >= 1) return;
  auto* effect = new QGraphicsOpacityEffect(w);
  effect->setOpacity(opacity);
  w->setGraphicsEffect(effect);
}

QColor mix(const QColor& from, const QColor& to, double t) {
  return QColor::fromRgbF(
      float(from.redF() + (to.redF() - from.redF()) * t), float(from.greenF() + (to.greenF() - from.greenF()) * t),
      float(from.blueF() + (to.blueF() - from.blueF()) * t), float(from.alphaF() + (to.alphaF() - from.alphaF()) * t));
}

// The voice card's ring: a thick ink ring when chosen (t = 1), a hairline otherwise (t = 0).
class Ring : public QWidget {
 public:
  Ring(const double* shown, QWidget* parent) : QWidget(parent), shown_(shown) { setFixedSize(15, 15); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double t = *shown_;
    const double w = 1.0 + 3.5 * t;
    p.setPen(QPen(mix(ink3.color(), ink.color(), t), w));
    p.drawEllipse(QRectF(rect()).adjusted(w / 2, w / 2, -w / 2, -w / 2));
  }

 private:
  const double* shown_;
};

// The checklist's mark: an empty circle, or a marker-filled one with a check; a mark whose row
// was not done the last time the page was drawn fills in with the ease curve.
class Mark : public QWidget {
 public:
  Mark(bool done, bool wasDone, QWidget* parent) : QWidget(parent), t_(wasDone ? 1.0 : 0.0) {
    setFixedSize(15, 15);
    ease_.setParent(this);  // so the window can bring it to its end at once (pictures)
    const double target = done ? 1.0 : 0.0;
    if (target == t_ || look::reducedMotion()) {
      t_ = target;
      return;
    }
    ease_.setEasingCurve(look::easing(Curve::ease));
    ease_.setDuration(look::durationMs(Curve::ease));
    ease_.setStartValue(t_);
    ease_.setEndValue(target);
    connect(&ease_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
      t_ = v.toDouble();
      update();
    });
    ease_.start();
  }
  double filled() const { return t_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setOpacity(1 - t_);
    p.setPen(QPen(ink3.color(), 1));
    p.drawEllipse(r);
    p.setOpacity(t_);
    p.setPen(Qt::NoPen);
    p.setBrush(look::Margin::marker.color());
    p.drawEllipse(r);
    look::paintSymbol(p, "checkmark", QRectF(3.5, 3.5, 8, 8), look::Margin::onInk.color());
  }

 private:
  double t_;
  QVariantAnimation ease_;
};

QWidget* check(const OnboardingFlow::Check& c, bool wasDone, QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(10);
  // The mark's middle sits 4 above the first line's baseline.
  const QFont font = look::systemFont(13.5);
  auto* markColumn = new QVBoxLayout;
  markColumn->setContentsMargins(0, std::max(0, int(std::lround(QFontMetricsF(font).ascent() - 7.5 - 4))), 0, 0);
  markColumn->addWidget(new Mark(c.done, wasDone, row));
  markColumn->addStretch(1);
  layout->addLayout(markColumn);
  layout->addWidget(text(qs(c.text), font, c.done ? ink : ink2, row), 1);
  if (c.dimmed) fade(row, 0.6);
  row->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  return row;
}

}  // namespace

// ---- SamplePage ----

SamplePage::SamplePage(const QString& sample, QWidget* parent) : QTextBrowser(parent) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setFrameShape(QFrame::NoFrame);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setAutoFillBackground(false);
  setStyleSheet("QTextBrowser { background: transparent; }");
  document()->setDocumentMargin(0);
  setViewportMargins(16, 14, 16, 14);
  setAccessibleName("Sample page");
  // The text is set once, with its look over the whole of it.
  QTextCursor cursor(document());
  QTextBlockFormat block;
  block.setLineHeight(4, QTextBlockFormat::LineDistanceHeight);
  QTextCharFormat chars;
  chars.setFont(look::serifFont(15.5, QFont::Light));
  chars.setForeground(ink.color());
  cursor.setBlockFormat(block);
  cursor.insertText(sample, chars);
  moveCursor(QTextCursor::Start);
  // 168 high, or as high as the text needs at the width of the window's pages: the fonts on this
  // computer may set it wider than the design's, and the page must never be cut.
  document()->setTextWidth(424 - 32);
  setFixedHeight(std::max(168, int(std::ceil(document()->size().height())) + 28 + 2));
}

// ---- VoiceCardButton ----

VoiceCardButton::VoiceCardButton(const OnboardingFlow::VoiceCard& card, QWidget* parent)
    : QAbstractButton(parent), card_(card), shown_(card.selected ? 1.0 : 0.0) {
  ease_.setEasingCurve(look::easing(Curve::ease));
  ease_.setDuration(look::durationMs(Curve::ease));
  connect(&ease_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    shown_ = v.toDouble();
    ring_->update();
    update();
  });
  // The cards of a row take the height of the tallest, so their edges and buttons line up.
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
  setMinimumHeight(150);
  setAccessibleName(qs(card.name));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(16, 16, 16, 16);
  column->setSpacing(10);
  auto* header = new QHBoxLayout;
  header->setSpacing(8);
  ring_ = new Ring(&shown_, this);
  header->addWidget(ring_, 0, Qt::AlignVCenter);
  auto* name = onboarding::text(qs(card.name), look::serifFont(20, QFont::Light), ink, this);
  name->setWordWrap(false);
  header->addWidget(name, 1, Qt::AlignVCenter);
  column->addLayout(header);
  column->addWidget(onboarding::text(qs(card.description), look::systemFont(12.5), ink2, this));
  column->addStretch(1);
  auto* hear = new look::MarginButton("Hear It", false, this);
  hear->setSymbol("play.fill");
  hear->setEnabled(card.ready);
  column->addWidget(hear, 0, Qt::AlignLeft);
  hear_ = hear;
  for (QWidget* w : findChildren<QWidget*>()) {
    if (w != hear) w->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  if (!card.ready) fade(this, 0.6);
}

void VoiceCardButton::setSelected(bool selected) {
  if (selected == card_.selected) return;
  card_.selected = selected;
  ease_.stop();
  if (!isVisible() || look::reducedMotion()) {
    shown_ = selected ? 1.0 : 0.0;
    ring_->update();
    update();
    return;
  }
  ease_.setStartValue(shown_);
  ease_.setEndValue(selected ? 1.0 : 0.0);
  ease_.start();
}

QSize VoiceCardButton::sizeHint() const { return {200, std::max(150, layout()->sizeHint().height())}; }

void VoiceCardButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double w = 1.0 + 0.5 * shown_;
  p.setPen(Qt::NoPen);
  p.setBrush(look::Margin::card.color());
  p.drawRoundedRect(QRectF(rect()), 14, 14);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(mix(look::Margin::line.color(), ink.color(), shown_), w));
  p.drawRoundedRect(QRectF(rect()).adjusted(w / 2, w / 2, -w / 2, -w / 2), 14 - w / 2, 14 - w / 2);
}

// ---- Pages ----

QWidget* voicePage(OnboardingFlow& flow) {
  auto* page = new QWidget;
  auto* column = pageColumn(page, 16);
  column->addWidget(title(flow, "Choose", "a voice.", page));
  column->addWidget(prose(QString::fromUtf8("You can change it any time in Settings \u2192 Voice."), page));
  auto* row = new QHBoxLayout;
  row->setSpacing(10);
  for (const auto& card : flow.voiceCards()) {
    auto* button = new VoiceCardButton(card, page);
    const Vendor vendor = card.vendor;
    QObject::connect(button, &QAbstractButton::clicked, page, [&flow, vendor] { flow.tapVoice(vendor); });
    QObject::connect(button->hearButton(), &QAbstractButton::clicked, page,
                     [&flow, vendor] { flow.hearVoice(vendor); });
    row->addWidget(button, 1);
  }
  column->addLayout(row);
  return page;
}

QWidget* tryItPage(OnboardingFlow& flow, const std::vector<bool>& wasDone) {
  auto* page = new QWidget;
  auto* column = pageColumn(page, 14);
  // What the window reads of itself here is the sample (and the buttons): the rest stays out.
  auto* heading = new QWidget(page);
  pageColumn(heading, 0)->addWidget(title(flow, "Try it", "now.", heading));
  makeAccessibilityHideable(heading, true);
  column->addWidget(heading);

  auto* card = new Card(14, page);
  auto* cardLayout = new QVBoxLayout(card);
  cardLayout->setContentsMargins(0, 0, 0, 0);
  cardLayout->addWidget(new SamplePage(qs(OnboardingFlow::sampleText()), card));
  column->addWidget(card);

  auto* checklist = new QWidget(page);
  auto* checks = pageColumn(checklist, 9);
  const auto rows = flow.checklist();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    checks->addWidget(check(rows[i], i < wasDone.size() && wasDone[i], checklist));
  }
  makeAccessibilityHideable(checklist, true);
  column->addWidget(checklist);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(10);
  buttons->addStretch(1);
  auto* button = new look::MarginButton(qs(flow.tryItButton()), !flow.reading(), page);
  if (!flow.reading()) button->setSymbol("play.fill");
  QObject::connect(button, &QAbstractButton::clicked, page, [&flow] { flow.pressTryIt(); });
  buttons->addWidget(button);
  buttons->addStretch(1);
  column->addLayout(buttons);
  return page;
}

QWidget* readyPage(OnboardingFlow& flow) {
  auto* page = new QWidget;
  page->setProperty(kFillsPage, true);
  auto* column = pageColumn(page, 14);
  column->addWidget(title(flow, "You're", "set.", page));
  column->addWidget(prose(qs(flow.readyProse()), page));

  auto* login = new Card(14, page);
  auto* loginRow = new QHBoxLayout(login);
  loginRow->setContentsMargins(14, 10, 14, 10);
  loginRow->setSpacing(12);
  auto* words = new QVBoxLayout;
  words->setSpacing(2);
  words->addWidget(text("Open Orvak at login", look::systemFont(13.5), ink, login));
  words->addWidget(text("So the key always works.", look::systemFont(11.5), ink3, login));
  loginRow->addLayout(words, 1);
  auto* toggle = new look::OrbitSwitch(login);
  toggle->setAccessibleName("Open Orvak at login");
  toggle->setChecked(flow.host().prefs().launchAtLogin());
  Prefs* prefs = &flow.host().prefs();
  // The switch only stores the setting; the login item follows it when onboarding finishes.
  QObject::connect(toggle, &QAbstractButton::toggled, login, [prefs](bool on) {
    if (prefs->launchAtLogin() != on) prefs->setLaunchAtLogin(on);
  });
  // Bound both ways: a change made elsewhere while the page shows moves the switch.
  const auto observer = prefs->addObserver([prefs, toggle](Prefs::Setting s) {
    if (s == Prefs::Setting::launchAtLogin && toggle->isChecked() != prefs->launchAtLogin()) {
      toggle->setChecked(prefs->launchAtLogin());
    }
  });
  QObject::connect(toggle, &QObject::destroyed, [prefs, observer] { prefs->removeObserver(observer); });
  loginRow->addWidget(toggle, 0, Qt::AlignVCenter);
  column->addWidget(login);

  // The sheet takes the height left and scrolls inside its card when it needs more.
  auto* sheetCard = new Card(14, page);
  auto* sheetLayout = new QVBoxLayout(sheetCard);
  sheetLayout->setContentsMargins(14, 10, 6, 10);
  auto* sheetScroll = new QScrollArea(sheetCard);
  sheetScroll->setObjectName("cheatSheetScroll");
  sheetScroll->setFrameShape(QFrame::NoFrame);
  sheetScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sheetScroll->setWidgetResizable(true);
  sheetScroll->setStyleSheet("QScrollArea, QWidget#qt_scrollarea_viewport > QWidget { background: transparent; }");
  sheetScroll->viewport()->setAutoFillBackground(false);
  look::useThinScrollBars(*sheetScroll);
  auto* sheet = new settings::CheatSheetView(qs(flow.keyName()), true);
  sheet->setContentsMargins(0, 4, 8, 4);
  sheetScroll->setWidget(sheet);
  sheetLayout->addWidget(sheetScroll);
  sheetCard->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
  column->addWidget(sheetCard, 1);
  return page;
}

}  // namespace orvak::views::onboarding
