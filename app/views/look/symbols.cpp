#include "app/views/look/symbols.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

namespace orvak::look {
namespace {

QString path(const QString& name) { return QStringLiteral(":/symbols/") + name + QStringLiteral(".svg"); }

}  // namespace

bool hasSymbol(const QString& name) { return QFile::exists(path(name)); }

void paintSymbol(QPainter& p, const QString& name, const QRectF& rect, const QColor& colour) {
  QSvgRenderer svg(path(name));
  if (!svg.isValid() || rect.isEmpty()) {
    return;
  }
  // Drawn black into a mask at device resolution, then filled with the colour through it.
  const qreal dpr = p.device() != nullptr ? p.device()->devicePixelRatioF() : 1.0;
  const QSize pixels(int(std::ceil(rect.width() * dpr)), int(std::ceil(rect.height() * dpr)));
  QImage mask(pixels, QImage::Format_ARGB32_Premultiplied);
  mask.fill(Qt::transparent);
  {
    QPainter m(&mask);
    m.setRenderHint(QPainter::Antialiasing);
    svg.render(&m, QRectF(QPointF(0, 0), QSizeF(pixels)));
    m.setCompositionMode(QPainter::CompositionMode_SourceIn);
    m.fillRect(mask.rect(), colour);
  }
  mask.setDevicePixelRatio(dpr);
  p.drawImage(rect.topLeft(), mask);
}

}  // namespace orvak::look
