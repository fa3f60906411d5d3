#include "app/views/look/palette.h"

namespace orvak::look {

QColor rgb(std::uint32_t value, double alpha) {
  QColor c = QColor::fromRgb(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
  c.setAlphaF(float(alpha));
  return c;
}

QColor DynColor::resolve(Appearance appearance) const {
  return appearance == Appearance::dark ? rgb(dark, darkAlpha) : rgb(light, lightAlpha);
}

QLinearGradient glow(QPointF from, QPointF to) {
  QLinearGradient g(from, to);
  const auto look = appearance();
  for (std::size_t i = 0; i < glowColors.size(); ++i) {
    g.setColorAt(double(i) / double(glowColors.size() - 1), glowColors[i].resolve(look));
  }
  return g;
}

}  // namespace orvak::look
