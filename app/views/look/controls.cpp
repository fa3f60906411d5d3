#include "app/views/look/controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "app/views/look/appearance.h"
#include "app/views/look/curves.h"
#include "app/views/look/painting.h"
#include "app/views/look/palette.h"
#include "app/views/look/symbols.h"
#include "app/views/look/text_styles.h"

namespace orvak::look {
namespace {

QPainterPath capsule(const QRectF& r) {
  QPainterPath path;
  path.addRoundedRect(r, r.height() / 2, r.height() / 2);
  return path;
}

}  // namespace

// ---- MarginButton ----

MarginButton::MarginButton(const QString& text, bool primary, QWidget* parent)
    : QAbstractButton(parent), primary_(primary), ticker_(this) {
  setText(text);
  setCursor(Qt::PointingHandCursor);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

double MarginButton::opacity(bool enabled, bool pressed) {
  if (!enabled) {
    return 0.38;
  }
  return pressed ? 0.75 : 1.0;
}

// The symbol's side and its gap to the text.
constexpr double kSymbolSide = 11, kSymbolGap = 6;

void MarginButton::setSymbol(const QString& name) {
  symbol_ = name;
  updateGeometry();
  update();
}

QSize MarginButton::sizeHint() const {
  const QFontMetricsF m(buttonFont(primary_));
  const double symbol = symbol_.isEmpty() ? 0 : kSymbolSide + kSymbolGap;
  return {int(std::ceil(m.horizontalAdvance(text()) + symbol + 2 * 16)), kHeight};
}

bool MarginButton::hitButton(const QPoint& pos) const { return capsule(QRectF(rect())).contains(pos); }

void MarginButton::changeEvent(QEvent* event) {
  // A disabled button has no sheen, so it needs no frames either.
  if (event->type() == QEvent::EnabledChange) {
    update();
  }
  QAbstractButton::changeEvent(event);
}

void MarginButton::paintEvent(QPaintEvent*) {
  // The button fades as a whole: drawn into a layer first, so the fill and the border that
  // overlap it do not add up to more than the button's opacity.
  const qreal dpr = devicePixelRatioF();
  QImage layer((QSizeF(size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
  layer.setDevicePixelRatio(dpr);
  layer.fill(Qt::transparent);
  {
    QPainter p(&layer);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    const auto shape = capsule(r);
    if (primary_) {
      p.fillPath(shape, Margin::ink.color());
    } else {
      QColor fill = Margin::card.color();
      fill.setAlphaF(fill.alphaF() * 0.6f);
      p.fillPath(shape, fill);
    }
    p.setFont(buttonFont(primary_));
    const QColor ink = primary_ ? Margin::onInk.color() : Margin::ink.color();
    p.setPen(ink);
    if (symbol_.isEmpty()) {
      p.drawText(r, Qt::AlignCenter, text());
    } else {
      const double textWidth = QFontMetricsF(p.font()).horizontalAdvance(text());
      const double left = (r.width() - (kSymbolSide + kSymbolGap + textWidth)) / 2;
      paintSymbol(p, symbol_, QRectF(left, (r.height() - kSymbolSide) / 2, kSymbolSide, kSymbolSide), ink);
      p.drawText(QRectF(left + kSymbolSide + kSymbolGap, 0, textWidth + 1, r.height()),
                 Qt::AlignLeft | Qt::AlignVCenter, text());
    }
    if (showsSheen()) {
      p.save();
      p.setClipPath(shape);
      paintShine(p, r, ticker_.now());
      p.restore();
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(primary_ ? Margin::ink.color() : Margin::line.color(), 1));
    p.drawPath(capsule(r.adjusted(0.5, 0.5, -0.5, -0.5)));
  }
  QPainter p(this);
  p.setOpacity(opacity(isEnabled(), isDown()));
  p.drawImage(QPointF(0, 0), layer);
}

// ---- OrbitSwitch ----

namespace {

class SwitchAccessible : public QAccessibleWidget {
 public:
  explicit SwitchAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) {
      return static_cast<const QAbstractButton*>(widget())->isChecked() ? QStringLiteral("On") : QStringLiteral("Off");
    }
    return QAccessibleWidget::text(t);
  }
  // One element: whatever the switch might hold stays out of the tree.
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
};

// Our widgets carry no meta-object of their own, so the object's type decides, not its class name.
QAccessibleInterface* lookAccessibleFactory(const QString&, QObject* object) {
  if (auto* sw = dynamic_cast<OrbitSwitch*>(object)) {
    return new SwitchAccessible(sw);
  }
  return nullptr;
}

}  // namespace

void installLookAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(lookAccessibleFactory);
    return true;
  }();
  (void)installed;
}

OrbitSwitch::OrbitSwitch(QWidget* parent) : QAbstractButton(parent) {
  installLookAccessibility();
  setCheckable(true);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setCursor(Qt::PointingHandCursor);
  slide_.setEasingCurve(easing(Curve::ease));
  slide_.setDuration(durationMs(Curve::ease));
  connect(&slide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    knob_ = v.toDouble();
    update();
  });
  connect(this, &QAbstractButton::toggled, this, [this](bool on) {
    follow(on);
    QAccessibleValueChangeEvent event(this, on ? QStringLiteral("On") : QStringLiteral("Off"));
    QAccessible::updateAccessibility(&event);
  });
}

void OrbitSwitch::follow(bool on) {
  slide_.stop();
  const double target = on ? 1.0 : 0.0;
  if (reducedMotion() || !isVisible()) {
    knob_ = target;
    update();
    return;
  }
  slide_.setStartValue(knob_);
  slide_.setEndValue(target);
  slide_.start();
}

bool OrbitSwitch::hitButton(const QPoint& pos) const { return capsule(QRectF(0, 0, 38, 22)).contains(pos); }

void OrbitSwitch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF track(0, 0, 38, 22);
  if (isChecked()) {
    QLinearGradient g(track.topLeft(), track.topRight());
    g.setColorAt(0, Orbit::glowTop.color());
    g.setColorAt(1, Orbit::glowBottom.color());
    p.fillPath(capsule(track), g);
  } else {
    p.fillPath(capsule(track), Margin::line.color());
  }
  const QRectF knob(2 + knob_ * (38 - 22), 2, 18, 18);
  p.setPen(Qt::NoPen);
  // A soft shadow: black at 25 %, one pixel down.
  p.setBrush(QColor(0, 0, 0, 64));
  p.drawEllipse(knob.translated(0, 1).adjusted(-0.5, -0.5, 0.5, 0.5));
  // On a dark look the card colour is as dark as the empty track: the knob of a switch that is
  // off would vanish into it, so it takes the faint ink there.
  const bool darkOff = !isChecked() && appearance() == Appearance::dark;
  p.setBrush(darkOff ? Margin::ink3.color() : Margin::card.color());
  p.drawEllipse(knob);
}

}  // namespace orvak::look
