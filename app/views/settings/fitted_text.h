// Two texts that must keep to their space: a line that shrinks down to a smallest scale before
// it is cut with an ellipsis, and a text that wraps onto a few lines and cuts the last one.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "app/views/look/palette.h"

namespace orvak::views::settings {

class FitLine : public QWidget {
 public:
  FitLine(QString text, QFont font, look::DynColor colour, double minScale, QWidget* parent = nullptr);

  struct Fit {
    double scale;   // 1 when the text fits as it is
    QString shown;  // the text, or its elided form at the smallest scale
  };
  // How the text is drawn in `width`.
  Fit fit(double width) const;
  const QString& text() const { return text_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString text_;
  QFont font_;
  look::DynColor colour_;
  double minScale_;
};

// `maxLines` 0 lets the text take as many lines as it needs.
class ClampedText : public QWidget {
 public:
  ClampedText(QString text, QFont font, look::DynColor colour, int maxLines, QWidget* parent = nullptr);

  // The lines shown in `width`: wrapped at words, at most `maxLines`, the last elided when the
  // text goes on.
  QStringList lines(double width) const;
  const QString& text() const { return text_; }
  void setText(const QString& text);

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString text_;
  QFont font_;
  look::DynColor colour_;
  int maxLines_;
};

}  // namespace orvak::views::settings
