#include "app/views/look/ink_label.h"

namespace orvak::look {

InkLabel::InkLabel(const QString& text, const QFont& font, DynColor colour, QWidget* parent)
    : QLabel(text, parent), colour_(colour) {
  setFont(font);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, colour_.color());
  setPalette(pal);
}

void InkLabel::setColour(DynColor colour) {
  colour_ = colour;
  update();
}

void InkLabel::paintEvent(QPaintEvent* event) {
  const QColor want = colour_.color();
  if (palette().color(QPalette::WindowText) != want) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, want);
    setPalette(pal);
  }
  QLabel::paintEvent(event);
}

}  // namespace orvak::look
