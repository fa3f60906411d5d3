#include "app/views/pill/pill_view.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <cmath>

#include "app/menu/status_menu.h"
#include "app/views/look/appearance.h"
#include "app/views/look/curves.h"
#include "app/views/look/motion.h"
#include "app/views/look/painting.h"
#include "app/views/look/palette.h"
#include "app/views/look/qstring.h"
#include "app/views/look/symbols.h"
#include "app/views/look/text_styles.h"
#include "app/views/pill/pill_motion.h"

namespace orvak::views::pill {
namespace {

namespace Orbit = look::Orbit;

QFont stateFont() { return look::systemFont(14, QFont::Medium); }
QFont subFont() { return look::systemFont(14); }
QFont offerFont() { return look::systemFont(13.5, QFont::DemiBold); }
QFont progressFont() { return look::digitsFont(12); }
QFont speedFont() { return look::digitsFont(12, QFont::DemiBold); }
QFont noticeSubFont() { return look::systemFont(12.5); }
QFont noticeTitleFont() { return look::systemFont(13, QFont::DemiBold); }

const QColor kEmber(196, 85, 62);
const QColor kMarkInk(255, 247, 234);
const QColor kNoticeInk(23, 19, 14);
const QString kMiddleDot = QStringLiteral("·");

using look::qs;

QColor withAlpha(QColor c, double a) {
  c.setAlphaF(float(c.alphaF() * a));
  return c;
}

// A soft shadow of a rounded shape: black at 42 %, blur 18, 14 down, made by blurring the
// shape's alpha three times with a box (close to a Gaussian).
QImage shadowImage(QSizeF body, double radius, qreal dpr) {
  const int pad = 20;
  const QSize size((QSizeF(body.width() + 2 * pad, body.height() + 2 * pad) * dpr).toSize());
  QImage img(size, QImage::Format_Alpha8);
  img.fill(0);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(dpr, dpr);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, int(0.42 * 255)));
    p.drawRoundedRect(QRectF(pad, pad, body.width(), body.height()), radius, radius);
  }
  const int r = std::max(1, int(std::lround(6 * dpr)));  // three passes of 6: about blur 18
  const int w = img.width(), h = img.height();
  std::vector<int> line(std::max(w, h));
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < h; ++y) {
      uchar* row = img.scanLine(y);
      for (int x = 0; x < w; ++x) line[x] = row[x];
      int sum = 0;
      for (int x = -r; x <= r; ++x) sum += (x >= 0 && x < w) ? line[x] : 0;
      for (int x = 0; x < w; ++x) {
        row[x] = uchar(sum / (2 * r + 1));
        const int out = x - r, in = x + r + 1;
        sum += (in < w ? line[in] : 0) - (out >= 0 ? line[out] : 0);
      }
    }
    for (int x = 0; x < w; ++x) {
      for (int y = 0; y < h; ++y) line[y] = img.scanLine(y)[x];
      int sum = 0;
      for (int y = -r; y <= r; ++y) sum += (y >= 0 && y < h) ? line[y] : 0;
      for (int y = 0; y < h; ++y) {
        img.scanLine(y)[x] = uchar(sum / (2 * r + 1));
        const int out = y - r, in = y + r + 1;
        sum += (in < h ? line[in] : 0) - (out >= 0 ? line[out] : 0);
      }
    }
  }
  QImage argb(size, QImage::Format_ARGB32_Premultiplied);
  argb.fill(Qt::transparent);
  for (int y = 0; y < h; ++y) {
    const uchar* a = img.constScanLine(y);
    auto* out = reinterpret_cast<QRgb*>(argb.scanLine(y));
    for (int x = 0; x < w; ++x) out[x] = qRgba(0, 0, 0, a[x]);
  }
  argb.setDevicePixelRatio(dpr);
  return argb;
}

}  // namespace

PillView::PillView(PillModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setMouseTracking(true);
  setAttribute(Qt::WA_TranslucentBackground);
  setFocusPolicy(Qt::NoFocus);
  clock_.start();
  frames_.setInterval(16);  // at most 60 frames a second
  connect(&frames_, &QTimer::timeout, this, [this] {
    update();
    updateFrames();
  });
  for (QVariantAnimation* a : {&shown_, &textFade_, &offerIn_, &controlsIn_, &morph_}) {
    a->setStartValue(0.0);
    a->setEndValue(1.0);
    connect(a, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
  }
  shown_.setStartValue(model_.shown() ? 1.0 : 0.0);
  shown_.setEndValue(model_.shown() ? 1.0 : 0.0);
  for (QVariantAnimation* a : {&textFade_, &offerIn_, &controlsIn_, &morph_}) {
    a->setEasingCurve(look::easing(Curve::ease));
    a->setDuration(look::durationMs(Curve::ease));
  }
  // The window's shape follows the capsule to its laid-out size.
  connect(&morph_, &QVariantAnimation::finished, this, [this] {
    if (onLayout) {
      onLayout();
    }
  });
  relayout();
}

QPointF PillView::origin() const {
  return {std::floor((width() - layout_.size.width()) / 2), std::floor((height() - layout_.size.height()) / 2)};
}

QRectF PillView::currentBody() const {
  const QRectF target = layout_.body.translated(origin());
  if (morph_.state() != QAbstractAnimation::Running || model_.notice()) {
    return target;
  }
  const double v = morph_.currentValue().toDouble();
  // The body keeps its centre and eases its width, as the panel it sits in stays centred.
  const double w = from_.width() + (target.width() - from_.width()) * v;
  const double h = from_.height() + (target.height() - from_.height()) * v;
  return {target.center().x() - w / 2, target.center().y() - h / 2, w, h};
}

double PillView::now() const { return frozen_ ? *frozen_ : double(clock_.nsecsElapsed()) / 1e9; }

void PillView::setShadows(bool on) {
  shadows_ = on;
  update();
}

void PillView::freeze(double t) {
  frozen_ = t;
  for (QVariantAnimation* a : {&shown_, &textFade_, &offerIn_, &controlsIn_, &morph_}) {
    a->stop();
  }
  shown_.setStartValue(model_.shown() ? 1.0 : 0.0);
  shown_.setEndValue(model_.shown() ? 1.0 : 0.0);
  // Pings and pulses show their resting frame.
  pingStart_ = t - 10;
  pulseStart_ = t - 10;
  updateFrames();
  update();
}

void PillView::settle() {
  for (QVariantAnimation* a : {&shown_, &textFade_, &offerIn_, &controlsIn_, &morph_}) {
    if (a->state() == QAbstractAnimation::Running) {
      a->setCurrentTime(a->totalDuration());
    }
  }
  update();
}

TextWidths PillView::measure() const {
  const auto& s = model_.state();
  TextWidths w;
  const QFontMetricsF state(stateFont()), sub(subFont());
  w.state = state.horizontalAdvance(qs(s.state));
  w.dot = sub.horizontalAdvance(kMiddleDot);
  w.sub = sub.horizontalAdvance(qs(shownSub(s.sub)));
  w.lineHeight = std::max(state.height(), sub.height());
  if (model_.offer()) {
    w.offer = QFontMetricsF(offerFont()).horizontalAdvance(qs(*model_.offer()));
  }
  w.progress = QFontMetricsF(progressFont()).horizontalAdvance(qs(s.progress));
  w.speed = QFontMetricsF(speedFont()).horizontalAdvance(qs(StatusMenu::speed(s.speed)));
  if (const auto& n = model_.notice()) {
    const QFontMetricsF nsub(noticeSubFont());
    w.noticeState = state.horizontalAdvance(qs(s.state));
    w.noticeSub = nsub.horizontalAdvance(qs(s.sub));
    w.noticeTitle = QFontMetricsF(noticeTitleFont()).horizontalAdvance(qs(n->title));
    w.noticeStateHeight = state.height();
    w.noticeSubHeight = nsub.height();
  }
  return w;
}

void PillView::relayout() {
  const LayoutInput in{model_.state(), model_.controls(), model_.hover(), model_.offer().has_value(),
                       model_.notice().has_value()};
  layout_ = layOut(in, measure());
  // Standing alone (pictures, tests) the view takes its size; in the pill's window it fills the
  // window, which the controller sizes, and draws centred in it.
  const QSize size(int(std::ceil(layout_.size.width())), int(std::ceil(layout_.size.height())));
  if (parentWidget() == nullptr && size != this->size()) {
    resize(size);
  }
  setAccessibleName(qs(views::pill::accessibleName(model_.state())));
  if (onLayout) {
    onLayout();
  }
  // Reported only when it changes: each report restarts the controller's pending shrink, so a
  // stream of same-size changes (a counter ticking) would otherwise keep a pill from narrowing.
  if (model_.onSize && layout_.size != reported_) {
    reported_ = layout_.size;
    model_.onSize(layout_.size.width(), layout_.size.height());
  }
}

void PillView::modelChanged(std::optional<Curve> curve) {
  const auto& s = model_.state();
  const bool animate = curve.has_value() && !frozen_;
  // In and out with the curve of the change that moved `shown`.
  const double target = model_.shown() ? 1.0 : 0.0;
  if (shown_.endValue().toDouble() != target) {
    const double from = shown_.currentValue().isValid() ? shown_.currentValue().toDouble() : 1.0 - target;
    shown_.stop();
    shown_.setStartValue(from);
    shown_.setEndValue(target);
    if (animate) {
      shown_.setEasingCurve(look::easing(*curve));
      shown_.setDuration(look::durationMs(*curve));
      shown_.start();
    } else {
      shown_.setDuration(0);
      shown_.start();
    }
    if (target == 1.0) {
      pulseStart_ = now();
    }
  }
  if (s.serial != serial_) {
    serial_ = s.serial;
    pingStart_ = now();
    if (animate) {
      textFade_.stop();
      textFade_.start();
    }
  }
  const bool offer = model_.offer() && model_.controls();
  const bool controls = model_.controls() && model_.hover();
  if (offer && !hadOffer_ && animate) {
    offerIn_.stop();
    offerIn_.start();
  }
  if (controls && !hadControls_ && animate) {
    controlsIn_.stop();
    controlsIn_.start();
  }
  if (model_.notice() && !hadNotice_) {
    pulseStart_ = now();
  }
  const QRectF before = currentBody();
  const Layout previous = layout_;
  const bool lostExtras = (hadOffer_ && !offer) || (hadControls_ && !controls);
  hadOffer_ = offer;
  hadControls_ = controls;
  const bool wasCard = hadNotice_;
  hadNotice_ = model_.notice().has_value();
  relayout();
  // A visible capsule changing size eases to it; what left it fades out meanwhile.
  if (animate && curve == Curve::ease && !wasCard && !hadNotice_ && before.size() != layout_.body.size()) {
    from_ = before;
    leaving_.reset();
    if (lostExtras) {
      leaving_ = Leaving{previous, leavingState_, leavingOffer_};
    }
    morph_.stop();
    morph_.start();
  }
  leavingState_ = s;
  leavingOffer_ = model_.offer();
  updateFrames();
  update();
}

void PillView::updateFrames() {
  const double t = now();
  const bool reduced = look::reducedMotion();
  bool moves = false;
  if (!frozen_ && isVisible()) {
    const auto g = glyphFor(model_.state().kind);
    const bool bars = !model_.notice() && g.kind == GlyphKind::bars && g.period && !reduced;
    const bool ping = !model_.notice() && g.kind == GlyphKind::pingOrb && t - pingStart_ < 0.7;
    const bool pulse = model_.notice() && model_.state().kind == PillState::Kind::warn && !reduced &&
                       t - pulseStart_ < 2.2;
    moves = bars || ping || pulse;
  }
  if (moves && !frames_.isActive()) {
    frames_.start();
  } else if (!moves) {
    frames_.stop();
  }
}

PillView::Target PillView::targetAt(QPointF pos) const {
  pos -= origin();
  if (layout_.noticeButton && layout_.noticeButton->contains(pos)) {
    return Target::notice;
  }
  if (layout_.offerButton && layout_.offerButton->contains(pos)) {
    return Target::offer;
  }
  constexpr Target order[kControlCount] = {Target::back, Target::playPause, Target::skip, Target::speed,
                                           Target::stop};
  for (int i = 0; i < kControlCount; ++i) {
    if (layout_.controls[i] && layout_.controls[i]->contains(pos)) {
      return order[i];
    }
  }
  return Target::none;
}

void PillView::run(Target target) {
  if (target == Target::notice) {
    if (const auto& n = model_.notice(); n && n->run) {
      const auto action = n->run;  // the card goes away while the action runs
      action();
    }
    return;
  }
  if (!model_.actions) {
    return;
  }
  const auto& a = *model_.actions;
  const std::function<void()>* call = nullptr;
  switch (target) {
    case Target::back: call = &a.back; break;
    case Target::playPause: call = &a.playPause; break;
    case Target::skip: call = &a.skip; break;
    case Target::speed: call = &a.speed; break;
    case Target::stop: call = &a.stop; break;
    case Target::offer: call = &a.readFromHere; break;
    default: break;
  }
  if (call != nullptr && *call) {
    const auto action = *call;
    action();
  }
}

void PillView::mousePressEvent(QMouseEvent* e) {
  pressed_ = targetAt(e->position());
  update();
}

void PillView::mouseReleaseEvent(QMouseEvent* e) {
  const Target pressed = std::exchange(pressed_, Target::none);
  update();
  if (pressed != Target::none && targetAt(e->position()) == pressed) {
    run(pressed);
  }
}

void PillView::mouseMoveEvent(QMouseEvent* e) {
  const Target over = targetAt(e->position());
  if (over != over_) {
    over_ = over;
    update();
  }
}

void PillView::enterEvent(QEnterEvent* e) {
  QWidget::enterEvent(e);
  if (onHover) {
    onHover(true);
  }
}

void PillView::leaveEvent(QEvent* e) {
  QWidget::leaveEvent(e);
  over_ = Target::none;
  if (onHover) {
    onHover(false);
  }
}

bool PillView::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(e);
    const bool paused = model_.state().kind == PillState::Kind::paused;
    QString tip;
    switch (targetAt(help->pos())) {
      case Target::back: tip = "Back a sentence"; break;
      case Target::playPause: tip = paused ? "Resume" : "Pause"; break;
      case Target::skip: tip = "Skip a sentence"; break;
      case Target::speed: tip = "Speed"; break;
      case Target::stop: tip = "Stop"; break;
      case Target::offer: tip = "Read from what's on screen now"; break;
      default: break;
    }
    if (tip.isEmpty()) {
      QToolTip::hideText();
      e->ignore();
    } else {
      QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
  }
  if (e->type() == QEvent::Show || e->type() == QEvent::Hide) {
    updateFrames();
  }
  return QWidget::event(e);
}

// ---- Painting ----

void PillView::paintShadow(QPainter& p, const QRectF& body, double radius) {
  if (!shadows_) {
    return;
  }
  // Blurring is the costly part of a frame; the bars redraw often with the same body.
  const qreal dpr = p.device()->devicePixelRatioF();
  const ShadowKey key{body.size(), radius, dpr};
  if (shadow_.isNull() || shadowFor_ != key) {
    shadow_ = shadowImage(body.size(), radius, dpr);
    shadowFor_ = key;
  }
  p.drawImage(body.topLeft() + QPointF(-20, -20 + 14), shadow_);
}

void PillView::paintButtonFill(QPainter& p, const QRectF& r, Target t) {
  const double alpha = pressed_ == t ? 0.18 : over_ == t ? 0.1 : 0.0;
  if (alpha > 0) {
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(Orbit::ink.color(), alpha));
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
  }
}

void PillView::paintGlyph(QPainter& p, const QRectF& r) {
  const auto g = glyphFor(model_.state().kind);
  if (g.kind == GlyphKind::bars) {
    const bool reduced = look::reducedMotion();
    const double t = frozen_ ? *frozen_ : look::wallSeconds();
    const double total = 4 * 3 + 3 * 2.5;
    double x = r.center().x() - total / 2;
    for (int i = 0; i < 4; ++i) {
      const double h = vuBarHeight(i, t, g.period, reduced);
      const QRectF bar(x, r.center().y() - h / 2, 3, h);
      if (g.tinted) {
        p.setBrush(Orbit::ink.color());
      } else {
        QLinearGradient grad(bar.topLeft(), bar.bottomLeft());
        grad.setColorAt(0, Orbit::barTop.color());
        grad.setColorAt(1, Orbit::barBottom.color());
        p.setBrush(grad);
      }
      p.setPen(Qt::NoPen);
      p.drawRoundedRect(bar, 1.5, 1.5);
      x += 3 + 2.5;
    }
    return;
  }
  // The orb: 14 x 14, lit from (0.32, 0.3), radius 9.
  const QRectF orb(r.center().x() - 7, r.center().y() - 7, 14, 14);
  look::paintSmallOrb(p, orb.center(), g.kind == GlyphKind::warnOrb ? 0.2 : 1.0);
  if (g.kind == GlyphKind::pingOrb) {
    const Ring ring = orbPing(now() - pingStart_);
    if (ring.opacity > 0) {
      p.save();
      p.setOpacity(p.opacity() * ring.opacity);
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(Orbit::glowTop.color(), 1.5));
      p.drawEllipse(orb.center(), 7 * ring.scale, 7 * ring.scale);
      p.restore();
    }
  }
}

void PillView::paintCapsule(QPainter& p, const QRectF& body) {
  const double radius = body.height() / 2;
  paintShadow(p, body, radius);
  p.setPen(Qt::NoPen);
  p.setBrush(Orbit::pill.color());
  p.drawRoundedRect(body, radius, radius);

  // The items keep their places from the body's leading edge while the body eases to its size.
  p.save();
  p.translate(body.left() - layout_.body.left(), body.center().y() - layout_.body.center().y());

  paintGlyph(p, layout_.glyph);

  const auto& s = model_.state();
  const QColor ink = Orbit::ink.color();
  const QColor ink2 = Orbit::ink2.color();
  {
    p.save();
    if (textFade_.state() == QAbstractAnimation::Running) {
      p.setOpacity(p.opacity() * textFade_.currentValue().toDouble());
    }
    const QFontMetricsF sm(stateFont());
    const double baseline = layout_.text.center().y() + (sm.ascent() - sm.descent()) / 2;
    p.setFont(stateFont());
    p.setPen(ink);
    const QString state = qs(s.state);
    p.drawText(QPointF(layout_.text.left(), baseline), state);
    if (!s.sub.empty()) {
      const QFontMetricsF subm(subFont());
      double x = layout_.text.left() + sm.horizontalAdvance(state) + 6;
      p.setFont(subFont());
      p.setPen(ink2);
      p.drawText(QPointF(x, baseline), kMiddleDot);
      x += subm.horizontalAdvance(kMiddleDot) + 6;
      p.drawText(QPointF(x, baseline), qs(shownSub(s.sub)));
    }
    p.restore();
  }

  paintExtras(p, layout_, s, model_.offer(), &offerIn_, &controlsIn_);
  p.restore();

  // What just left (the controls, the offer) fades and slides out, inside the easing capsule.
  if (leaving_ && morph_.state() == QAbstractAnimation::Running) {
    const double v = morph_.currentValue().toDouble();
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(body, radius, radius);
    p.setClipPath(clip, Qt::IntersectClip);
    p.setOpacity(p.opacity() * (1 - v));
    p.translate(body.left() - leaving_->layout.body.left() + 8 * v,
                body.center().y() - leaving_->layout.body.center().y());
    paintExtras(p, leaving_->layout, leaving_->state, leaving_->offer, nullptr, nullptr);
    p.restore();
  }
}

void PillView::paintExtras(QPainter& p, const Layout& layout, const PillState& s,
                           const std::optional<std::string>& offer, const QVariantAnimation* offerIn,
                           const QVariantAnimation* controlsIn) {
  const QColor ink = Orbit::ink.color();
  const QColor ink2 = Orbit::ink2.color();
  auto slideIn = [&](const QVariantAnimation* a, double offset) {
    if (a != nullptr && a->state() == QAbstractAnimation::Running) {
      const double v = a->currentValue().toDouble();
      p.setOpacity(p.opacity() * v);
      p.translate(offset * (1 - v), 0);
    }
  };

  if (layout.offerButton && layout.offerDivider) {
    p.save();
    slideIn(offerIn, 6);
    p.fillRect(*layout.offerDivider, withAlpha(ink2, 0.5));
    const QRectF b = *layout.offerButton;
    paintButtonFill(p, b, Target::offer);
    const QColor action = Orbit::action.color();
    look::paintSymbol(p, "arrow.down.to.line", QRectF(b.left() + 4, b.center().y() - 5.5, 11, 11), action);
    p.setFont(offerFont());
    p.setPen(action);
    p.drawText(QRectF(b.left() + 4 + 11 + 5, b.top(), b.width() - 24, b.height()), Qt::AlignLeft | Qt::AlignVCenter,
               qs(offer.value_or("")));
    p.restore();
  }

  if (layout.controlsDivider && layout.controls[int(Control::speed)]) {
    p.save();
    slideIn(controlsIn, 8);
    p.fillRect(*layout.controlsDivider, withAlpha(ink2, 0.5));
    if (layout.progress) {
      p.setFont(progressFont());
      p.setPen(ink2);
      p.drawText(*layout.progress, Qt::AlignLeft | Qt::AlignVCenter, qs(s.progress));
    }
    const bool paused = s.kind == PillState::Kind::paused;
    const struct {
      Control control;
      Target target;
      const char* symbol;
    } symbols[] = {{Control::back, Target::back, "backward.end.fill"},
                   {Control::playPause, Target::playPause, paused ? "play.fill" : "pause.fill"},
                   {Control::skip, Target::skip, "forward.end.fill"},
                   {Control::stop, Target::stop, "xmark"}};
    for (const auto& c : symbols) {
      const QRectF r = *layout.controls[int(c.control)];
      paintButtonFill(p, r, c.target);
      look::paintSymbol(p, c.symbol, QRectF(r.center().x() - 5.5, r.center().y() - 5.5, 11, 11), ink);
    }
    const QRectF speed = *layout.controls[int(Control::speed)];
    paintButtonFill(p, speed, Target::speed);
    p.setFont(speedFont());
    p.setPen(ink);
    p.drawText(speed, Qt::AlignCenter, qs(StatusMenu::speed(s.speed)));
    p.restore();
  }
}

void PillView::paintCard(QPainter& p) {
  const QRectF body = layout_.body;
  paintShadow(p, body, 22);
  p.setPen(Qt::NoPen);
  p.setBrush(Orbit::pill.color());
  p.drawRoundedRect(body, 22, 22);

  const auto& s = model_.state();
  const QRectF g = layout_.glyph;
  if (s.kind == PillState::Kind::warn) {
    // The warning mark: an ember disc with its pulsing ring behind.
    const QPointF c = g.center();
    const Ring ring = warnPulse(now() - pulseStart_, look::reducedMotion());
    if (ring.opacity > 0) {
      p.save();
      p.setOpacity(p.opacity() * ring.opacity);
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(kEmber, 1.5));
      p.drawEllipse(c, 10 * ring.scale, 10 * ring.scale);
      p.restore();
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kEmber);
    p.drawEllipse(c, 10, 10);
    look::paintSymbol(p, "exclamationmark", QRectF(c.x() - 5.5, c.y() - 5.5, 11, 11), kMarkInk);
  } else {
    p.save();
    p.translate(g.center());
    p.scale(1.45, 1.45);
    p.translate(-g.center());
    look::paintSmallOrb(p, g.center(), 1);
    p.restore();
  }

  const QFontMetricsF sm(stateFont()), subm(noticeSubFont());
  p.setFont(stateFont());
  p.setPen(Orbit::ink.color());
  const QRectF text = layout_.text;
  p.drawText(QRectF(text.left(), text.top(), text.width() + 1, sm.height()), Qt::AlignLeft | Qt::AlignVCenter,
             qs(s.state));
  if (!s.sub.empty()) {
    p.setFont(noticeSubFont());
    p.setPen(Orbit::ink2.color());
    p.drawText(QRectF(text.left(), text.top() + sm.height() + 2, text.width() + 1, subm.height()),
               Qt::AlignLeft | Qt::AlignVCenter, qs(s.sub));
  }

  // The button: a glowing capsule; darker while pressed, lighter under the pointer.
  QRectF b = *layout_.noticeButton;
  p.save();
  if (pressed_ == Target::notice) {
    p.translate(b.center());
    p.scale(0.97, 0.97);
    p.translate(-b.center());
  }
  QLinearGradient grad(b.topLeft(), b.bottomRight());
  grad.setColorAt(0, Orbit::glowTop.color());
  grad.setColorAt(1, Orbit::glowBottom.color());
  p.setPen(Qt::NoPen);
  p.setBrush(grad);
  p.drawRoundedRect(b, 15, 15);
  if (pressed_ == Target::notice || over_ == Target::notice) {
    p.setBrush(pressed_ == Target::notice ? QColor(0, 0, 0, int(0.08 * 255)) : QColor(255, 255, 255, int(0.04 * 255)));
    p.drawRoundedRect(b, 15, 15);
  }
  const auto& n = *model_.notice();
  look::paintSymbol(p, qs(n.icon), QRectF(b.left() + 14, b.center().y() - 5.25, 10.5, 10.5), kNoticeInk);
  p.setFont(noticeTitleFont());
  p.setPen(kNoticeInk);
  p.drawText(QRectF(b.left() + 14 + 10.5 + 6, b.top(), b.width() - 14 - 10.5 - 6, b.height()),
             Qt::AlignLeft | Qt::AlignVCenter, qs(n.title));
  p.restore();
}

void PillView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  // In and out: opacity, a slight scale about the centre and 8 px lower when out.
  const double v = shown_.currentValue().isValid() ? shown_.currentValue().toDouble() : (model_.shown() ? 1 : 0);
  if (v <= 0) {
    return;
  }
  const QRectF body = currentBody();
  const QPointF c = body.center();
  p.setOpacity(v);
  p.translate(c.x(), c.y() + 8 * (1 - v));
  const double scale = 0.96 + 0.04 * v;
  p.scale(scale, scale);
  p.translate(-c.x(), -c.y());
  if (model_.notice()) {
    p.translate(origin());
    paintCard(p);
  } else {
    paintCapsule(p, body);
  }
}

}  // namespace orvak::views::pill
