// What the tests on a bare X server share: waiting on the server, and a page that counts the
// clicks it is given.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QRect>
#include <QWidget>

namespace orvak::views {

// Runs Qt's events until `done` or `ms` of real time: the X server answers when it can.
template <typename F>
bool waitFor(F done, int ms = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return true;
}

// A white page, the window being read, that counts the mouse presses the X server gives it.
class ClickedPage : public QWidget {
 public:
  explicit ClickedPage(const QRect& geometry) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    setStyleSheet("background: white");
    setAutoFillBackground(true);
    setGeometry(geometry);
  }
  int presses = 0;

 protected:
  void mousePressEvent(QMouseEvent*) override { ++presses; }
};

}  // namespace orvak::views
