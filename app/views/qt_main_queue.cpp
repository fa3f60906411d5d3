#include "app/views/qt_main_queue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include "core/base/dispatch.h"

namespace orvak::views {

void useQtMainQueue() {
  dispatch::setMainExecutor(
      [](dispatch::Task task) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task), Qt::QueuedConnection);
      },
      [] { return QThread::currentThread() == QCoreApplication::instance()->thread(); });
}

}  // namespace orvak::views
