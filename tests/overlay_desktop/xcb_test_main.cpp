// The tests on a bare X server run on Qt's X11 platform, with the main queue on Qt's loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "app/views/qt_main_queue.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  orvak::views::useQtMainQueue();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
