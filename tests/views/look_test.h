// The views tests share one process and one application: a test that changes the look (light or
// dark, reduced motion, the application's palette) runs in a fixture derived from LookTest, which
// puts all of it back as the test found it, so no later test draws in what an earlier one left.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

#include "app/views/look/appearance.h"

namespace orvak::test {

class LookTest : public ::testing::Test {
 protected:
  ~LookTest() override { QApplication::setPalette(palette_); }

 private:
  look::KeptLook look_;
  QPalette palette_ = QApplication::palette();
};

}  // namespace orvak::test
