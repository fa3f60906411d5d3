// Painting helpers shared by the windows: the card, the marker band, the wavy line, the sheen
// and the orb.
#pragma once

#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace orvak::look {

// A card: the rounded rectangle filled with `Margin::card`, its inside border of 0.5 in
// `Margin::line`.
void paintCard(QPainter& p, const QRectF& rect, double radius);

// The marker stroke behind a text of the given bounds: lower part of the text, 3 px past each end.
QRectF markedBand(const QRectF& text);
void paintMarked(QPainter& p, const QRectF& text);

// A wavy line across `rect`: quadratic curves 4 px wide from (minX, midY), bulging to the top
// first, then alternating; the last one ends exactly at maxX.
QPainterPath squigglePath(const QRectF& rect);

// The sheen at time t: a band of white at 28 % opacity, 0.6 x the width wide, moving across.
void paintShine(QPainter& p, const QRectF& rect, double t);

// The orb's body: the oval inscribed in `rect` filled with the orb gradient, lit from the
// relative centre (-0.36, -0.4) of the rectangle (offsets in half-widths from its middle).
void paintOrbBody(QPainter& p, const QRectF& rect);

// The pill's small orb: 14 x 14 around `centre`, lit from (0.32, 0.3) of its box with a radius of
// 9; `saturation` below 1 greys it (0.2 for a warning, 0 for a paused read).
void paintSmallOrb(QPainter& p, QPointF centre, double saturation);

}  // namespace orvak::look
