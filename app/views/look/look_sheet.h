// A sheet of the whole shared look for review: the palette swatches and every piece in its
// states, drawn at a fixed instant so two pictures of it compare.
#pragma once

#include <QWidget>

namespace orvak::look {

class LookSheet : public QWidget {
 public:
  explicit LookSheet(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;
};

}  // namespace orvak::look
