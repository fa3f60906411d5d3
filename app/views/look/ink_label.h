// A label drawn in one of the palette's colours, resolved each time it paints, so it follows a
// change of appearance without anyone telling it.
#pragma once

#include <QLabel>

#include "app/views/look/palette.h"

namespace orvak::look {

class InkLabel : public QLabel {
 public:
  InkLabel(const QString& text, const QFont& font, DynColor colour, QWidget* parent = nullptr);
  void setColour(DynColor colour);
  DynColor colour() const { return colour_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  DynColor colour_;
};

}  // namespace orvak::look
