#include "app/views/app_look.h"

#include <QApplication>
#include <QStyle>

namespace orvak::AppLook {

look::Appearance resolve(std::string_view value, const std::function<look::Appearance()>& desktop) {
  if (value == "dark") return look::Appearance::dark;
  if (value != "system") return look::Appearance::light;
  return desktop();
}

QPalette palette(look::Appearance appearance) {
  if (appearance != look::Appearance::dark) {
    QPalette p(QColor(0x20, 0x20, 0x20), QColor(0xf2, 0xf2, 0xf2));  // window text, window
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xf7, 0xf7, 0xf7));
    p.setColor(QPalette::Text, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::Button, QColor(0xf2, 0xf2, 0xf2));
    p.setColor(QPalette::ButtonText, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xdf));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80));
    return p;
  }
  QPalette p(QColor(0xe8, 0xe8, 0xe8), QColor(0x26, 0x26, 0x28));
  p.setColor(QPalette::Base, QColor(0x1c, 0x1c, 0x1e));
  p.setColor(QPalette::AlternateBase, QColor(0x2a, 0x2a, 0x2c));
  p.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
  p.setColor(QPalette::Button, QColor(0x32, 0x32, 0x34));
  p.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
  p.setColor(QPalette::Highlight, QColor(0x3d, 0x7e, 0xf0));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
  p.setColor(QPalette::Link, QColor(0x6c, 0xa8, 0xff));
  return p;
}

void apply(std::string_view value) {
  const look::Appearance appearance = resolve(value, look::readDesktopAppearance);
  look::setAppearance(appearance);
  if (appearance == look::Appearance::other) {
    QApplication::setPalette(QApplication::style()->standardPalette());
  } else {
    QApplication::setPalette(palette(appearance));
  }
}

}  // namespace orvak::AppLook
