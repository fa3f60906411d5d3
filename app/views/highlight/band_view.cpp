#include "app/views/highlight/band_view.h"

#include <QPainter>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

#include "app/views/look/appearance.h"
#include "app/views/look/curves.h"
#include "app/views/look/palette.h"

namespace orvak::views::highlight {

namespace {

bool sameSizes(const std::vector<QRectF>& a, const std::vector<QRectF>& b) {
  if (a.empty() || a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::abs(a[i].width() - b[i].width()) >= 1 || std::abs(a[i].height() - b[i].height()) >= 1) return false;
  }
  return true;
}

QRectF lerp(const QRectF& a, const QRectF& b, double t) {
  return {a.x() + (b.x() - a.x()) * t, a.y() + (b.y() - a.y()) * t, a.width() + (b.width() - a.width()) * t,
          a.height() + (b.height() - a.height()) * t};
}

// The lower strip of a line: what an opaque band may cover without hiding the letters.
QRectF lowerStrip(const QRectF& r) {
  const double h = std::max(2.0, r.height() * 0.18);
  return {r.x() - 2, r.bottom() - h + 1, r.width() + 4, h};
}

// The underline of an earlier highlight.
QRectF underline(const QRectF& r) { return {r.x(), r.bottom() - 1, r.width(), 2}; }

}  // namespace

BandView::BandView(double sentenceOpacity, bool strip, QWidget* parent)
    : QWidget(parent), sentenceOpacity_(sentenceOpacity), strip_(strip) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_TranslucentBackground);
}

QPainterPath BandView::path(const std::vector<QRectF>& rects) {
  QPainterPath out;
  for (const QRectF& r : rects) {
    // The mark covers the lower 72 % of the line and a point below it, slanting at both ends; its
    // top edge falls half a point towards the right.
    const double h = 0.72 * r.height() + 1;
    const double s = std::min(0.2 * h, 3.0);
    const double bottom = r.bottom() + 1;
    QPolygonF shape;
    shape << QPointF(r.left() - 2 + s, bottom - h) << QPointF(r.right() + 2, bottom - h + 0.5)
          << QPointF(r.right() + 2 - s, bottom) << QPointF(r.left() - 2, bottom);
    out.addPolygon(shape);
    out.closeSubpath();
  }
  return out;
}

void BandView::animate(double from, double to, double seconds, std::function<void(double)> setter,
                       std::function<void()> done) {
  // A shaped window cannot blend, so its marks appear and go at once.
  if (look::reducedMotion() || strip_ || seconds <= 0) {
    setter(to);
    QWidget::update();
    if (done) done();
    return;
  }
  auto* anim = new QVariantAnimation(this);  // owned by the view, deleted when it stops
  anim->setStartValue(from);
  anim->setEndValue(to);
  anim->setDuration(static_cast<int>(std::lround(seconds * 1000)));
  anim->setEasingCurve(look::easing(Curve::ease));
  QObject::connect(anim, &QVariantAnimation::valueChanged, this, [this, setter](const QVariant& v) {
    setter(v.toDouble());
    QWidget::update();
  });
  QObject::connect(anim, &QVariantAnimation::finished, this, [done] {
    if (done) done();
  });
  setter(from);
  anim->start(QAbstractAnimation::DeleteWhenStopped);
}

void BandView::setBands(std::vector<QRectF> bands) {
  if (bands == bands_) return;
  auto previous = std::move(bands_);
  bands_ = std::move(bands);
  update(previous);
}

void BandView::setWord(std::optional<QRectF> word) {
  if (word == word_) return;
  const auto previous = word_;
  word_ = word;
  updateWord(previous);
}

void BandView::setFocusArea(std::optional<QRectF> area) {
  if (area == focusArea_) return;
  focusArea_ = area;
  updateDim();
}

void BandView::setSaved(std::vector<QRectF> saved) {
  if (saved == saved_) return;
  saved_ = std::move(saved);
  savedPath_ = QPainterPath();
  for (const QRectF& r : saved_) savedPath_.addRoundedRect(underline(r), 1, 1);
  QWidget::update();
}

QPainterPath BandView::bandPath() const {
  if (!strip_) return path(bands_);
  QPainterPath p;
  for (const QRectF& r : bands_) p.addRect(lowerStrip(r));
  return p;
}

void BandView::update(const std::vector<QRectF>& previous) {
  if (band_ && sameSizes(previous, bands_)) {
    band_->path = bandPath();
    ++moves_;
    updateDim();
    QWidget::update();
    return;
  }
  if (band_) {
    auto leaving = band_;
    leaving_.push_back(leaving);
    animate(
        leaving->opacity, 0, 0.22, [leaving](double v) { leaving->opacity = v; },
        [this, leaving] { std::erase(leaving_, leaving); });
    band_.reset();
    ++fades_;
  }
  if (!bands_.empty()) {
    auto band = std::make_shared<Layer>();
    band->path = bandPath();
    band_ = band;
    animate(0, strip_ ? 1.0 : sentenceOpacity_, 0.16, [band](double v) { band->opacity = v; });
  }
  updateDim();
  QWidget::update();
}

void BandView::updateWord(const std::optional<QRectF>& previous) {
  if (!word_) {
    if (wordLayer_) {
      auto layer = wordLayer_;
      animate(layer->opacity, 0, 0.12, [layer](double v) { layer->opacity = v; });
    }
    return;
  }
  if (!wordLayer_) wordLayer_ = std::make_shared<Layer>();
  auto layer = wordLayer_;
  const bool sameLine = previous && std::abs(previous->center().y() - word_->center().y()) < word_->height() / 2;
  if (sameLine && layer->opacity > 0.5 && !look::reducedMotion()) {
    wordFrom_ = lerp(wordFrom_, wordTo_, wordGlide_);
    wordTo_ = *word_;
    animate(0, 1, 0.09, [this](double v) { wordGlide_ = v; });
  } else {
    wordFrom_ = wordTo_ = *word_;
    wordGlide_ = 1;
    if (layer->opacity < 1) animate(layer->opacity, 1, 0.1, [layer](double v) { layer->opacity = v; });
  }
  QWidget::update();
}

QPainterPath BandView::dimPath() const {
  QPainterPath p;
  if (!focusArea_) return p;
  p.setFillRule(Qt::OddEvenFill);
  p.addRect(*focusArea_);
  p.addRoundedRect(lerp(holeFrom_, holeTo_, holeMove_), 8, 8);
  return p;
}

void BandView::updateDim() {
  if (!focusArea_ || bands_.empty()) {
    if (dim_ && dim_->opacity > 0.5) {
      auto layer = dim_;
      animate(layer->opacity, 0, 0.25, [layer](double v) { layer->opacity = v; });
    }
    return;
  }
  QRectF hole;
  for (const QRectF& b : bands_) hole |= b.adjusted(-10, -5, 10, 5);
  hole &= *focusArea_;
  if (!dim_) dim_ = std::make_shared<Layer>();
  auto layer = dim_;
  if (layer->opacity > 0.5 && !look::reducedMotion()) {
    holeFrom_ = lerp(holeFrom_, holeTo_, holeMove_);
    holeTo_ = hole;
    animate(0, 1, 0.22, [this](double v) { holeMove_ = v; });
  } else {
    holeFrom_ = holeTo_ = hole;
    holeMove_ = 1;
    animate(layer->opacity, 1, 0.3, [layer](double v) { layer->opacity = v; });
  }
}

QRegion BandView::marksRegion() const {
  QRegion region;
  if (strip_) {
    // Exactly the strips and underlines: anything more would cover letters with an opaque window.
    for (const auto& r : bands_) region |= lowerStrip(r).toAlignedRect();
    if (word_) region |= lowerStrip(*word_).toAlignedRect();
    for (const auto& r : saved_) region |= underline(r).toAlignedRect();
    return region;
  }
  auto add = [&](const QRectF& r) { region |= r.adjusted(-4, -2, 4, 3).toAlignedRect(); };
  for (const auto& r : bands_) add(r);
  if (word_) add(*word_);
  for (const auto& r : saved_) add(r);
  return region;
}

void BandView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, !strip_);
  p.setPen(Qt::NoPen);
  const auto appearance = look::appearance();
  // Without a compositor nothing blends with the window below: strips are drawn solid.
  const auto solid = [this](QColor c) {
    if (strip_) c.setAlphaF(1);
    return c;
  };
  if (dim_ && dim_->opacity > 0 && focusArea_) {
    p.setOpacity(dim_->opacity);
    p.fillPath(dimPath(), QColor(0, 0, 0, static_cast<int>(std::lround(0.42 * 255))));
  }
  const QColor bandColor = solid(look::Margin::markerBand.resolve(appearance));
  for (const auto& leaving : leaving_) {
    p.setOpacity(leaving->opacity);
    p.fillPath(leaving->path, bandColor);
  }
  if (band_) {
    p.setOpacity(band_->opacity);
    p.fillPath(band_->path, bandColor);
  }
  if (!savedPath_.isEmpty()) {
    QColor marker = look::Margin::marker.resolve(appearance);
    marker.setAlphaF(marker.alphaF() * 0.75);
    p.setOpacity(1);
    p.fillPath(savedPath_, solid(marker));
  }
  if (wordLayer_ && wordLayer_->opacity > 0) {
    p.setOpacity(wordLayer_->opacity);
    const QRectF word = lerp(wordFrom_, wordTo_, wordGlide_);
    if (strip_) {
      p.fillRect(lowerStrip(word), solid(look::Margin::accent.resolve(appearance)));
    } else {
      p.fillPath(path({word}), look::Margin::markerWord.resolve(appearance));
    }
  }
}

}  // namespace orvak::views::highlight
