// The views tests share one process and one application: a test that changes the look (light or
// dark, reduced motion, the application's palette) runs in a fixture derived from LookTest, which
// puts all of it back as the test found it, so no later test draws in what an earlier one left.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QSize>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "app/views/look/appearance.h"

namespace orvak::test {

// The contrast ratio of two opaque colours as accessibility guidelines measure it: 1 for the
// same colour, 21 for black on white; 3 is the least for a control's parts to be made out.
inline double contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Shows `w` at `size` and lets the application lay it out and paint it.
inline void show(QWidget& w, QSize size = {1000, 900}) {
  w.resize(size);
  w.show();
  QApplication::processEvents();
}

class LookTest : public ::testing::Test {
 protected:
  ~LookTest() override { QApplication::setPalette(palette_); }

 private:
  look::KeptLook look_;
  QPalette palette_ = QApplication::palette();
};

}  // namespace orvak::test
