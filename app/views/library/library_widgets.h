// The small views every library pane shares: the pane's title block, the filter chip, the
// outlined capsule button, and the plain pieces the panes are built from (a label in a palette
// colour, a rounded surface, a text button, a hairline). None holds state beyond what it shows.
//
// Colours are palette pairs resolved when painted, so a change of appearance repaints correctly.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/views/look/palette.h"
#include "app/views/look/qstring.h"

namespace orvak::views::library {

// A label in one of the palette's colours, which it follows when the appearance changes.
class Text : public QLabel {
 public:
  Text(const QString& text, const QFont& font, look::DynColor colour, QWidget* parent = nullptr);
  void setColour(look::DynColor colour);
  look::DynColor colour() const { return colour_; }
  // Wraps onto as many lines as it needs; selectable when asked.
  Text* wrapping(bool selectable = false);
  // One line, cut with "…" at the end when it does not fit.
  Text* elided();
  QSize minimumSizeHint() const override;
  // Layouts ask with the width they have; the label is never wider than its maximum.
  int heightForWidth(int width) const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  look::DynColor colour_;
  bool elide_ = false;
  QString full_;
};

// A rounded rectangle behind its children: an optional fill, an optional inside border, dashed
// or not. The panes' cards and rows.
class Surface : public QWidget {
 public:
  struct Style {
    double radius = 14;
    std::optional<look::DynColor> fill;
    std::optional<look::DynColor> border;
    bool dashed = false;
    double fillOpacity = 1;
    double borderOpacity = 1;
  };
  explicit Surface(Style style, QWidget* parent = nullptr);
  void setStyle(Style style);
  const Style& style() const { return style_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  Style style_;
};

// A 1 px line across the width.
class Hairline : public QWidget {
 public:
  explicit Hairline(look::DynColor colour, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  look::DynColor colour_;
};

// A borderless button of text in a palette colour, with an optional symbol before it.
class TextButton : public QAbstractButton {
 public:
  TextButton(const QString& title, const QFont& font, look::DynColor colour, QWidget* parent = nullptr,
             const QString& symbol = {});
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QFont font_;
  look::DynColor colour_;
  QString symbol_;
};

// The title block of a pane: the "Library" eyebrow, then the title and its subtitle on one
// baseline.
class PageHead : public QWidget {
 public:
  PageHead(const QString& title, const QString& sub, QWidget* parent = nullptr);
  void setSub(const QString& sub);
  QString title() const;
  QString sub() const;

 private:
  Text* title_;
  Text* sub_;
};

// A toggle capsule: ink-filled with paper text when on, outlined when off. Reports itself
// selected to accessibility while on.
class Chip : public QAbstractButton {
 public:
  Chip(const QString& label, bool on, QWidget* parent = nullptr);
  void setOn(bool on);
  bool on() const { return on_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
  bool hitButton(const QPoint& pos) const override;

 private:
  bool on_;
};

// A compact outlined capsule with an optional symbol before its title.
class SmallButton : public QAbstractButton {
 public:
  SmallButton(const QString& title, const QString& symbol = {}, QWidget* parent = nullptr);
  QString symbol() const { return symbol_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
  bool hitButton(const QPoint& pos) const override;

 private:
  QString symbol_;
};

// A small spinning ring for work under way.
class Spinner : public QWidget {
 public:
  explicit Spinner(QWidget* parent = nullptr);
  QSize sizeHint() const override { return {14, 14}; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void timerEvent(QTimerEvent*) override;
  void showEvent(QShowEvent*) override;
  void hideEvent(QHideEvent*) override;

 public:
  void freeze() { frozen_ = true; }

 private:
  bool frozen_ = false;
  int timer_ = 0;
  int step_ = 0;
};

// How far below its top a label draws the baseline of its first line (its top margin included).
double firstBaseline(const QLabel* label);
// Lowers `follower` by a top margin so that its first line stands on the same baseline as the
// first line of `leader`, both placed at the top of a row.
void alignFirstBaselines(QLabel* follower, const QLabel* leader);

// Pins every moving piece under `root` (orbs, spinners) at one instant and ends the fades under
// way, for pictures.
void freezeMotion(QWidget* root, double t);

using look::qs;

}  // namespace orvak::views::library
