// Our symbol set (resources/symbols/*.svg, drawn for this project), tinted to any colour.
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace orvak::look {

// True when the set has a symbol of that name ("play.fill", "xmark" ...).
bool hasSymbol(const QString& name);
// Draws the symbol fitted into `rect` in `colour`; an unknown name draws nothing.
void paintSymbol(QPainter& p, const QString& name, const QRectF& rect, const QColor& colour);

}  // namespace orvak::look
