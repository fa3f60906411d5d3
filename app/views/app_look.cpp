#include "app/views/app_look.h"

#include <QApplication>
#include <QStyle>

#include "app/views/look/palette.h"
#include "app/views/look/stock_style.h"

namespace orvak::views::AppLook {

bool followsDesktop(std::string_view value) { return value == "system"; }

look::Appearance resolve(std::string_view value, const std::function<look::Appearance()>& desktop) {
  if (value == "dark") return look::Appearance::dark;
  if (!followsDesktop(value)) return look::Appearance::light;
  return desktop();
}

QPalette palette(look::Appearance appearance) {
  // The stock controls (combo boxes, fields, scroll bars, dialogs) in the colours of the drawn
  // pieces beside them: paper behind, cards for fields and buttons, ink for text, the accent for
  // selections.
  namespace M = look::Margin;
  const auto c = [appearance](const look::DynColor& d) { return d.resolve(appearance); };
  // A translucent rule flattened onto the paper it is drawn on, for the style's solid frames.
  const auto onPaper = [&](const look::DynColor& d) {
    const QColor top = c(d), under = c(M::paper);
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + under.redF() * (1 - a)),
                            float(top.greenF() * a + under.greenF() * (1 - a)),
                            float(top.blueF() * a + under.blueF() * (1 - a)));
  };
  QPalette p(c(M::ink), c(M::paper));  // window text, window
  p.setColor(QPalette::Base, c(M::card));
  p.setColor(QPalette::AlternateBase, c(M::margin));
  p.setColor(QPalette::Text, c(M::ink));
  p.setColor(QPalette::Button, c(M::card));
  p.setColor(QPalette::ButtonText, c(M::ink));
  p.setColor(QPalette::BrightText, c(M::onInk));
  p.setColor(QPalette::Highlight, c(M::accent));
  p.setColor(QPalette::HighlightedText, c(M::onInk));
  p.setColor(QPalette::PlaceholderText, c(M::ink3));
  p.setColor(QPalette::ToolTipBase, c(M::card));
  p.setColor(QPalette::ToolTipText, c(M::ink));
  p.setColor(QPalette::Link, c(M::accent));
  p.setColor(QPalette::LinkVisited, c(M::accent));
  p.setColor(QPalette::Light, c(M::card));
  p.setColor(QPalette::Midlight, onPaper(M::line2));
  p.setColor(QPalette::Mid, onPaper(M::line));
  p.setColor(QPalette::Dark, c(M::ink3));
  p.setColor(QPalette::Shadow, c(M::deep));
  p.setColor(QPalette::Disabled, QPalette::Text, c(M::ink3));
  p.setColor(QPalette::Disabled, QPalette::WindowText, c(M::ink3));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, c(M::ink3));
  return p;
}

void apply(std::string_view value, const std::function<look::Appearance()>& desktop) {
  const look::Appearance appearance = resolve(value, desktop);
  look::setAppearance(appearance);
  // The style first: a new style would put its own palette in place of one set before it.
  if (dynamic_cast<look::StockStyle*>(QApplication::style()) == nullptr) QApplication::setStyle(new look::StockStyle);
  if (appearance == look::Appearance::other) {
    QApplication::setPalette(QApplication::style()->standardPalette());
  } else {
    QApplication::setPalette(palette(appearance));
  }
}

}  // namespace orvak::views::AppLook
