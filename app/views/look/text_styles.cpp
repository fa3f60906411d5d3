#include "app/views/look/text_styles.h"

#include <QFontMetricsF>

namespace orvak::look {
namespace {

QFont face(const char* family, QFont::StyleHint hint, double pixelSize, QFont::Weight weight) {
  QFont f(QString::fromLatin1(family));
  f.setStyleHint(hint);
  // Qt takes whole pixels; a half-pixel size (the eyebrow's 10.5) rounds up.
  f.setPixelSize(qMax(1, qRound(pixelSize)));
  f.setWeight(weight);
  f.setKerning(true);
  return f;
}

}  // namespace

QFont systemFont(double pixelSize, QFont::Weight weight) {
  return face("sans-serif", QFont::SansSerif, pixelSize, weight);
}

QFont serifFont(double pixelSize, QFont::Weight weight, bool italic) {
  QFont f = face("serif", QFont::Serif, pixelSize, weight);
  f.setItalic(italic);
  return f;
}

QFont monoFont(double pixelSize, QFont::Weight weight) {
  QFont f = face("monospace", QFont::Monospace, pixelSize, weight);
  f.setFixedPitch(true);
  return f;
}

bool hasEqualDigits(const QFont& font) {
  const QFontMetricsF m(font);
  const double first = m.horizontalAdvance(QChar(u'0'));
  for (char16_t d = u'1'; d <= u'9'; ++d) {
    if (qAbs(m.horizontalAdvance(QChar(d)) - first) > 0.01) {
      return false;
    }
  }
  return true;
}

QFont digitsFont(double pixelSize, QFont::Weight weight) {
  const QFont sans = systemFont(pixelSize, weight);
  return hasEqualDigits(sans) ? sans : monoFont(pixelSize, weight);
}

QFont headlineFont(double size) {
  QFont f = serifFont(size, QFont::Light);
  f.setLetterSpacing(QFont::AbsoluteSpacing, -0.025 * size);
  return f;
}

QFont eyebrowFont() {
  QFont f = monoFont(10.5, QFont::Medium);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 1.3);
  return f;
}

QFont buttonFont(bool primary) { return systemFont(13, primary ? QFont::DemiBold : QFont::Medium); }

}  // namespace orvak::look
