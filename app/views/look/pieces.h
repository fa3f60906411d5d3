// The small drawn pieces every window shares. Each is a plain custom-painted widget that owns
// nothing but its own values.
#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>
#include <optional>

#include "app/views/look/motion.h"
#include "app/views/look/palette.h"

class QTextLayout;

namespace orvak::look {

// A large serif headline, its optional tail in italics filled with the glow gradient. Wraps to
// its full height.
class Headline : public QWidget {
 public:
  Headline(QString text, std::optional<QString> glow, double size, QWidget* parent = nullptr);
  // The whole run as drawn: the text, then one space and the tail when there is one.
  QString run() const;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  void layOut(QTextLayout& layout, double width) const;
  QString text_;
  std::optional<QString> glow_;
  double size_;
};

// A small upper-case label in the monospaced face, its accent words in the accent colour, and
// an optional short rule after it.
class Eyebrow : public QWidget {
 public:
  Eyebrow(QString text, std::optional<QString> accent, bool rule, QWidget* parent = nullptr);
  QString run() const;
  // Where the text and the rule go at the current size; no rule rectangle without a rule.
  struct Layout {
    QRectF text;
    std::optional<QRectF> rule;
  };
  Layout layout() const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString text_;
  std::optional<QString> accent_;
  bool rule_;
};

// A keyboard key with its glyph, its side showing below.
class KeyCap : public QWidget {
 public:
  KeyCap(QString glyph, double size, QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString glyph_;
  double size_;
};

// An 8 px dot: the marker colour with a spreading ring when ok, a blinking grey dot when not.
class StatusDot : public QWidget {
 public:
  explicit StatusDot(bool ok, QWidget* parent = nullptr);
  void setOk(bool ok);
  bool ok() const { return ok_; }
  FrameTicker& ticker() { return ticker_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool ok_;
  FrameTicker ticker_;
};

// The breathing orb of the first-run window.
class HeroOrb : public QWidget {
 public:
  explicit HeroOrb(double size, QWidget* parent = nullptr);
  FrameTicker& ticker() { return ticker_; }
  // Square, and wide enough for the glow at the top of its breath: the glow is never clipped.
  QSize sizeHint() const override;
  // The widest the glow gets around an orb of `size`, as a diameter.
  static double glowDiameter(double size);
  // For a parent that places the orb itself: the widget takes its sizeHint centred on `centre`
  // (the orb's middle), and lets the pointer through to what its glow lies over.
  void placeAt(QPointF centre);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  double size_;
  FrameTicker ticker_;
};

// The wavy line, stroked in the marker colour, or in another colour and width (the red pencil
// under a warning).
class Squiggle : public QWidget {
 public:
  explicit Squiggle(QWidget* parent = nullptr);
  Squiggle(DynColor color, double width, QWidget* parent = nullptr);
  QSize sizeHint() const override { return {120, 8}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  DynColor color_;
  double width_;
};

// One line of text in the ink colour with the marker band behind its lower part.
class MarkedText : public QLabel {
 public:
  MarkedText(const QString& text, const QFont& font, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A small progress spinner: a three-quarter ring in the secondary ink turning once a second.
class Spinner : public QWidget {
 public:
  explicit Spinner(QWidget* parent = nullptr);
  FrameTicker& ticker() { return ticker_; }
  QSize sizeHint() const override { return {16, 16}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  FrameTicker ticker_;
};

}  // namespace orvak::look
