#include "app/views/onboarding/onboarding_view.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "app/views/hotkey/hotkey_picker.h"
#include "app/views/look/controls.h"
#include "app/views/look/curves.h"
#include "app/views/look/motion.h"
#include "app/views/look/palette.h"
#include "app/views/look/pieces.h"
#include "app/views/look/scroll_bars.h"
#include "app/views/look/text_styles.h"
#include "app/views/onboarding/ax_hiding.h"
#include "app/views/onboarding/onboarding_kit.h"
#include "app/views/onboarding/onboarding_pages.h"

namespace orvak::views::onboarding {

using namespace onboarding;
using look::Margin::ink;
using look::Margin::ink2;

namespace {

// The rail's own colours: it is dark in both looks.
const QColor kNight(244, 239, 230);
const QColor kNight2(157, 150, 138);

QColor withAlpha(QColor c, double a) {
  c.setAlphaF(float(a));
  return c;
}

// The page being left, as it looked, laid over the new one and fading out while the new one slides
// in beneath it. A picture rather than the page under an opacity effect: the pages hold faded
// widgets of their own, and Qt cannot draw one graphics effect inside another.
class Leaving : public QWidget {
 public:
  Leaving(QPixmap picture, QWidget* parent) : QWidget(parent), picture_(std::move(picture)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  void setShown(double opacity) {
    opacity_ = opacity;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setOpacity(opacity_);
    p.drawPixmap(0, 0, picture_);
  }

 private:
  QPixmap picture_;
  double opacity_ = 1;
};

class Dot : public QWidget {
 public:
  explicit Dot(QWidget* parent) : QWidget(parent) { setFixedSize(5, 5); }
  void setColor(QColor c) {
    color_ = c;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color_);
    p.drawEllipse(QRectF(rect()));
  }

 private:
  QColor color_;
};

// Holds the page (two during a change of step), each filling it.
class PageArea : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void resizeEvent(QResizeEvent*) override {
    for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) w->resize(size());
  }
};

class Rail : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), look::Margin::deep.color()); }
};

void setTextColor(QLabel* label, const QColor& c) {
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, c);
  label->setPalette(pal);
}

}  // namespace

OnboardingView::OnboardingView(std::shared_ptr<OnboardingFlow> flow, QWidget* parent)
    : QWidget(parent), flow_(std::move(flow)) {
  setFixedSize(kWidth, kHeight);
  setFocusPolicy(Qt::StrongFocus);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  rail_ = new Rail(this);
  rail_->setFixedWidth(kRailWidth);
  auto* railColumn = new QVBoxLayout(rail_);
  railColumn->setContentsMargins(22, 34, 18, 24);
  railColumn->setSpacing(0);
  railColumn->addWidget(new look::HeroOrb(92, rail_), 0, Qt::AlignHCenter);
  auto* name = new QLabel("Orvak", rail_);
  name->setFont(look::serifFont(26, QFont::Light, true));
  setTextColor(name, kNight);
  railColumn->addSpacing(6);
  railColumn->addWidget(name, 0, Qt::AlignHCenter);
  railColumn->addSpacing(30);
  for (const char* step : OnboardingFlow::kSteps) {
    auto* stepRow = new QHBoxLayout;
    stepRow->setSpacing(10);
    auto* dot = new Dot(rail_);
    auto* label = new QLabel(QString(step).toUpper(), rail_);
    QFont f = look::monoFont(10.5, QFont::Medium);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    label->setFont(f);
    stepRow->addWidget(dot, 0, Qt::AlignVCenter);
    stepRow->addWidget(label, 1);
    railColumn->addLayout(stepRow);
    railColumn->addSpacing(12);
    railDots_.push_back(dot);
    railRows_.push_back(label);
  }
  railColumn->addStretch(1);
  makeAccessibilityHideable(rail_, false);
  row->addWidget(rail_);

  auto* rule = new QWidget(this);
  rule->setFixedWidth(1);
  row->addWidget(rule);

  auto* right = new QWidget(this);
  auto* rightColumn = new QVBoxLayout(right);
  rightColumn->setContentsMargins(36, 30, 28, 20);
  rightColumn->setSpacing(0);
  pageArea_ = new PageArea(right);
  pageArea_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  rightColumn->addWidget(pageArea_, 1);
  footerBar_ = new QWidget(right);
  footerLayout_ = new QHBoxLayout(footerBar_);
  footerLayout_->setContentsMargins(0, 12, 0, 0);
  footerLayout_->setSpacing(10);
  rightColumn->addWidget(footerBar_);
  row->addWidget(right, 1);

  hintTimer_.setInterval(int(OnboardingFlow::kHintRedraw * 1000));
  connect(&hintTimer_, &QTimer::timeout, this, [this] { updateHint(); });

  flow_->onChange = [this] { redraw(); };
  redraw();
}

OnboardingView::OnboardingView(std::unique_ptr<OnboardingHost> host, QWidget* parent)
    : OnboardingView(OnboardingFlow::make(*host), parent) {
  ownedHost_ = std::move(host);
}

OnboardingView::~OnboardingView() {
  flow_->onChange = nullptr;
  // The pages (the one on show and any still waiting to be deleted) hold on to the host's
  // settings and test; they go before the host does, which the base class would not see to.
  for (QWidget* w : pageArea_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) delete w;
  page_ = nullptr;
  flow_.reset();
}

void OnboardingView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), look::Margin::paper.color());
  // The hairline between the rail and the pages.
  p.fillRect(QRectF(kRailWidth, 0, 0.5, height()), look::Margin::line.color());
}

void OnboardingView::showEvent(QShowEvent*) { flow_->appeared(); }
void OnboardingView::hideEvent(QHideEvent*) { flow_->disappeared(); }

void OnboardingView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    flow_->pressReturn();
    return;
  }
  QWidget::keyPressEvent(event);
}

namespace {

// What the current step's page is built from. A change elsewhere (the key chosen on the key step,
// the login switch) leaves the page in place: its own controls follow it, with their easing, and
// a page scrolled down to its switch stays where the user left it.
std::string pageKey(OnboardingFlow& flow) {
  std::string key = std::to_string(flow.step()) + ":";
  switch (flow.step()) {
    case OnboardingFlow::kAccessibility:
      key += flow.host().accessibility() ? "on" : "off";
      break;
    case OnboardingFlow::kMicrophone:
      key += std::to_string(int(flow.host().mic())) + flow.keyName();
      break;
    case OnboardingFlow::kVoice:
      // The choice itself is shown by the cards in place.
      for (const auto& c : flow.voiceCards()) key += std::to_string(int(c.vendor)) + (c.ready ? "r" : "-");
      break;
    case 0:
    case OnboardingFlow::kHotkey:
      break;
    case OnboardingFlow::kTryIt:
      for (const auto& c : flow.checklist()) key += (c.done ? "1" : "0") + c.text + "|";
      key += flow.tryItButton();
      break;
    default:
      key += flow.keyName();
      break;
  }
  return key;
}

}  // namespace

void OnboardingView::redraw() {
  rebuildRail();
  const std::string key = pageKey(*flow_);
  if (page_ == nullptr || key != pageKey_) {
    rebuildPage(pageStep_ != -1 && pageStep_ != flow_->step());
  } else if (flow_->step() == OnboardingFlow::kVoice) {
    const auto cards = flow_->voiceCards();
    // The look's widgets carry no meta-object of their own: told apart by their C++ type.
    for (auto* widget : page_->findChildren<QAbstractButton*>()) {
      auto* button = dynamic_cast<onboarding::VoiceCardButton*>(widget);
      for (const auto& c : cards) {
        if (button && c.vendor == button->card().vendor) button->setSelected(c.selected);
      }
    }
  }
  pageKey_ = key;
  rebuildFooter();
}

void OnboardingView::rebuildRail() {
  const int step = flow_->step();
  // While the window reads itself, only the sample page should be found in it.
  setHiddenFromAccessibility(rail_, step == OnboardingFlow::kTryIt);
  for (int i = 0; i < int(railRows_.size()); ++i) {
    if (i == step) {
      static_cast<Dot*>(railDots_[i])->setColor(look::Orbit::glowBottom.color());
      setTextColor(railRows_[i], kNight);
    } else if (i < step) {
      static_cast<Dot*>(railDots_[i])->setColor(kNight2);
      setTextColor(railRows_[i], kNight2);
    } else {
      static_cast<Dot*>(railDots_[i])->setColor(withAlpha(kNight2, 0.35));
      setTextColor(railRows_[i], withAlpha(kNight2, 0.6));
    }
  }
}

void OnboardingView::rebuildPage(bool animate) {
  QWidget* old = page_;
  // What the page area shows now, background and all, before anything in it changes.
  const QPixmap before = old != nullptr && animate && !look::reducedMotion()
                             ? grab(QRect(pageArea_->mapTo(this, QPoint(0, 0)), pageArea_->size()))
                             : QPixmap();
  QWidget* content = makePage(flow_->step());
  pageStep_ = flow_->step();
  // A page taller than the window (long texts in wide fonts) scrolls rather than being squeezed.
  auto* scroll = new QScrollArea;
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidgetResizable(true);
  scroll->setStyleSheet("QScrollArea, QWidget#qt_scrollarea_viewport > QWidget { background: transparent; }");
  look::useThinScrollBars(*scroll);
  scroll->viewport()->setAutoFillBackground(false);
  content->setAutoFillBackground(false);
  // The page is as tall as its texts need at the width it gets, nothing more: the minimum a
  // wrapping label claims is its height at a narrow width, far taller than at the page's, and
  // would put a scroll bar on a page that fits.
  content->layout()->setSizeConstraint(QLayout::SetNoConstraint);
  content->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
  scroll->setWidget(content);
  page_ = scroll;
  page_->setParent(pageArea_);
  page_->setGeometry(pageArea_->rect());
  page_->show();
  if (old == nullptr) return;
  // Later, not now: the control whose change rebuilt the page may be on it, still in its signal.
  old->hide();
  old->deleteLater();
  if (before.isNull()) return;
  // The old page fades out where it was; the new one comes in from 14 to the right beneath it.
  auto* leaving = new Leaving(before, pageArea_);
  leaving->setGeometry(pageArea_->rect());
  leaving->show();
  leaving->raise();
  auto* group = new QParallelAnimationGroup(page_);
  auto* fadeOut = new QVariantAnimation(group);
  fadeOut->setStartValue(1.0);
  fadeOut->setEndValue(0.0);
  connect(fadeOut, &QVariantAnimation::valueChanged, leaving,
          [leaving](const QVariant& v) { leaving->setShown(v.toDouble()); });
  auto* slide = new QPropertyAnimation(page_, "pos");
  slide->setStartValue(QPoint(14, 0));
  slide->setEndValue(QPoint(0, 0));
  for (QVariantAnimation* a : {static_cast<QVariantAnimation*>(fadeOut), static_cast<QVariantAnimation*>(slide)}) {
    a->setDuration(look::durationMs(Curve::ease));
    a->setEasingCurve(look::easing(Curve::ease));
    group->addAnimation(a);
  }
  connect(group, &QAbstractAnimation::finished, leaving, &QObject::deleteLater);
  // The page may be replaced again before the end: the picture goes with the group.
  connect(group, &QObject::destroyed, leaving, &QObject::deleteLater);
  group->start(QAbstractAnimation::DeleteWhenStopped);
}

void OnboardingView::settle() {
  for (auto* group : pageArea_->findChildren<QParallelAnimationGroup*>()) {
    group->setCurrentTime(group->totalDuration());
  }
  // The pieces easing from one state to another, at their end.
  if (page_) {
    for (auto* ease : page_->findChildren<QVariantAnimation*>()) {
      if (ease->state() == QAbstractAnimation::Running) ease->setCurrentTime(ease->totalDuration());
    }
  }
  if (page_) page_->move(0, 0);
  for (QWidget* w : pageArea_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (w != page_) w->hide();
  }
}

void OnboardingView::rebuildFooter() {
  for (auto* b : footer_) {
    b->hide();
    b->setParent(nullptr);
    b->deleteLater();  // it may be the button whose click brought us here
  }
  footer_.clear();
  while (footerLayout_->count() > 0) delete footerLayout_->takeAt(0);
  footerLayout_->addStretch(1);
  for (const auto& b : flow_->footer()) {
    auto* button = new look::MarginButton(qs(b.label), b.primary, footerBar_);
    button->setEnabled(b.enabled);
    connect(button, &QAbstractButton::clicked, this, [this, b] { flow_->press(b); });
    footerLayout_->addWidget(button);
    button->setVisible(footerBar_->isVisible());  // a layout would show it only on the next turn of the loop
    footer_.push_back(button);
  }
}

QString OnboardingView::hintText() const { return hint_ ? hint_->text() : QString(); }

void OnboardingView::updateHint() {
  if (!hint_) return;
  const auto text = flow_->hint(OnboardingFlow::now());
  hint_->setText(text ? qs(*text) : QString());
  hint_->setVisible(text.has_value());
}

QWidget* OnboardingView::makePage(int step) {
  auto* page = new QWidget;
  hint_ = nullptr;
  hintTimer_.stop();
  auto& flow = *flow_;
  switch (step) {
    case 0: {
      auto* column = pageColumn(page, 18);
      column->addWidget(title(flow, "Orvak reads the window in front of you,", "out loud.", page));
      auto* say = new QWidget(page);
      auto* sayRow = new QHBoxLayout(say);
      sayRow->setContentsMargins(0, 0, 0, 0);
      sayRow->setSpacing(6);
      auto* hold = text("Hold the key and say", look::serifFont(18, QFont::Light, true), ink2, say);
      hold->setWordWrap(false);
      sayRow->addWidget(hold);
      auto* quote = new look::MarkedText(QString::fromUtf8("\u201Chighlight that.\u201D"),
                                         look::serifFont(18, QFont::Normal, true), say);
      sayRow->addWidget(quote);
      sayRow->addStretch(1);
      column->addWidget(say);
      auto* lines = new QWidget(page);
      auto* linesColumn = pageColumn(lines, 10);
      linesColumn->addWidget(line("hand.tap", "Double-tap a key to start or stop reading.", lines));
      linesColumn->addWidget(line(
          "mic",
          QString::fromUtf8("Hold the same key and say \u201Chighlight that\u201D or \u201Csave a note: \u2026\u201D."),
          lines));
      linesColumn->addWidget(line("bookmark", "Each highlight keeps the quote, the app and the page.", lines));
      column->addWidget(lines);
      column->addWidget(smallprint("Two permissions and a key. About a minute.", page));
      break;
    }
    case OnboardingFlow::kAccessibility: {
      auto* column = pageColumn(page, 16);
      column->addWidget(title(flow, "Let Orvak", "read windows.", page));
      column->addWidget(prose(
          "Orvak uses the desktop's accessibility interface to read the actual text of the window in front of you, "
          "not a screenshot. It never reads password fields. Only the sentences being spoken, and pages you ask "
          "about, leave this computer.",
          page));
      column->addWidget(status(flow.host().accessibility(), qs(flow.accessibilityStatus()), page));
      // The waiting block and the small print under it, closer together than the page's parts.
      auto* block = new QWidget(page);
      auto* blockColumn = pageColumn(block, 8);
      if (!flow.host().accessibility()) {
        auto* button = new look::MarginButton("Turn On Accessibility", true, block);
        connect(button, &QAbstractButton::clicked, this, [this] { flow_->turnOnAccessibility(); });
        blockColumn->addWidget(button, 0, Qt::AlignLeft);
        blockColumn->addWidget(smallprint(QString::fromUtf8("This turns on the desktop's accessibility support "
                                                            "(Settings \u2192 Accessibility). This window moves on "
                                                            "by itself as soon as it is on."),
                                          block));
        hint_ = smallprint(QString(), block);
        blockColumn->addWidget(hint_);
        flow.waitingShown(OnboardingFlow::now());
        updateHint();
        hintTimer_.start();
      }
      if (!flow.host().canWatchKey()) {
        blockColumn->addWidget(smallprint(
            "On this session Orvak can't watch the key (it needs an X11 session); read from the tray menu instead.",
            block));
      }
      if (blockColumn->count() > 0) column->addWidget(block);
      break;
    }
    case OnboardingFlow::kMicrophone: {
      auto* column = pageColumn(page, 16);
      column->addWidget(title(flow, "Talk to Orvak", "while it reads.", page));
      column->addWidget(prose(qs(flow.micProse()), page));
      const auto row = flow.micRow();
      column->addWidget(status(row.ok, qs(row.status), page));
      if (row.button) {
        auto* button = new look::MarginButton(qs(*row.button), true, page);
        connect(button, &QAbstractButton::clicked, this, [this] { flow_->micButton(); });
        column->addWidget(button, 0, Qt::AlignLeft);
      }
      if (row.line) column->addWidget(smallprint(qs(*row.line), page));
      break;
    }
    case OnboardingFlow::kHotkey: {
      auto* column = pageColumn(page, 14);
      column->addWidget(title(flow, "Pick", "your key.", page));
      column->addWidget(
          prose("Double-tap it to read, and hold it to talk. Some apps claim these gestures too, so try yours.", page));
      column->addWidget(
          new hotkey::HotkeyPicker(flow.host().prefs(), flow.host().tester(), false, page, flow.host().canWatchKey()));
      break;
    }
    case OnboardingFlow::kVoice:
      delete page;
      page = voicePage(flow);
      break;
    case OnboardingFlow::kTryIt:
      delete page;
      page = tryItPage(flow, pageStep_ == OnboardingFlow::kTryIt ? lastChecks_ : std::vector<bool>{});
      lastChecks_.clear();
      for (const auto& c : flow.checklist()) lastChecks_.push_back(c.done);
      break;
    default:
      delete page;
      page = readyPage(flow);
      break;
  }
  // Pages sit at the top of the area, but for one that fills it (its last part takes the rest).
  if (auto* column = qobject_cast<QVBoxLayout*>(page->layout()); column && !page->property(kFillsPage).toBool()) {
    column->addStretch(1);
  }
  return page;
}

}  // namespace orvak::views::onboarding
