// The two controls of the shared look: the capsule push button and the switch.
#pragma once

#include <QAbstractButton>
#include <QVariantAnimation>

#include "app/views/look/motion.h"

namespace orvak::look {

// A capsule button: primary ones are filled with ink and carry the moving sheen while enabled,
// secondary ones are a pale card with a hairline border.
class MarginButton : public QAbstractButton {
 public:
  // Every capsule button's height; the stock fields beside them take it too.
  static constexpr int kHeight = 30;

  MarginButton(const QString& text, bool primary, QWidget* parent = nullptr);
  bool primary() const { return primary_; }
  // A symbol of our set drawn before the text ("play.fill"), in the text's colour; empty for none.
  void setSymbol(const QString& name);
  const QString& symbol() const { return symbol_; }
  // The whole button's opacity: 0.38 disabled, 0.75 pressed, else 1.
  static double opacity(bool enabled, bool pressed);
  // The sheen runs only on an enabled primary button.
  bool showsSheen() const { return primary_ && isEnabled(); }
  FrameTicker& ticker() { return ticker_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
  bool hitButton(const QPoint& pos) const override;
  void changeEvent(QEvent* event) override;

 private:
  bool primary_;
  QString symbol_;
  FrameTicker ticker_;
};

// An on/off switch drawn as a 38 x 22 track with a knob; one accessible element whose value is
// "On" or "Off".
class OrbitSwitch : public QAbstractButton {
 public:
  explicit OrbitSwitch(QWidget* parent = nullptr);
  QSize sizeHint() const override { return {38, 22}; }
  // Where the knob stands, 0 off to 1 on; moves with the ease curve unless motion is reduced.
  double knob() const { return knob_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  bool hitButton(const QPoint& pos) const override;

 private:
  void follow(bool on);
  double knob_ = 0;
  QVariantAnimation slide_;
};

// Makes OrbitSwitch report itself to accessibility as a button with an "On"/"Off" value. Called
// once by whoever makes the application object (the views install it on first switch too).
void installLookAccessibility();

}  // namespace orvak::look
