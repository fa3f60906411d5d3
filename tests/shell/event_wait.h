// Waiting on the private session bus: pumps Qt's events until `done` holds, for at most ten
// seconds, and says whether it holds.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

namespace orvak::test {

inline bool waitFor(const std::function<bool()>& done) {
  QDeadlineTimer deadline(10'000);
  while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  return done();
}

}  // namespace orvak::test
