#include "speech/net/net_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace orvak::net {

struct NetThread::Core {
  std::mutex mutex;
  std::condition_variable cv;
  bool started = false;
  bool stopping = false;
  QObject* context = nullptr;
  QEventLoop* loop = nullptr;
  std::atomic<std::thread::id> id{};
};

namespace {

// The application object made for programs that have none; lives as long as the process.
void ensureApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "orvak";
  static char* argv[] = {name, nullptr};
  static auto* app = new QCoreApplication(argc, argv);  // never destroyed, like the thread
  (void)app;
}

}  // namespace

NetThread& NetThread::shared() {
  static auto* instance = new NetThread("orvak.network", true);  // never destroyed
  return *instance;
}

// Every other thread relies on the shared one for the application object, which must outlive it.
NetThread::NetThread(std::string name) : NetThread((shared(), std::move(name)), false) {}

NetThread::NetThread(std::string name, bool isShared) : core_(std::make_shared<Core>()) {
  thread_ = std::thread([core = core_, isShared, name] {
    // A std::thread rather than a QThread: making a QThread object on the caller's thread would
    // make that thread Qt's main thread, and the application object below would then be "not
    // created in the main thread".
    if (isShared) ensureApplication();
    QThread::currentThread()->setObjectName(QString::fromStdString(name));
    QObject context;
    QEventLoop loop;
    {
      std::lock_guard lock(core->mutex);
      core->context = &context;
      core->loop = &loop;
      core->id = std::this_thread::get_id();
      core->started = true;
    }
    core->cv.notify_all();
    loop.exec();
    // Children (servers, sockets) are destroyed here, on their own thread.
    std::lock_guard lock(core->mutex);
    core->context = nullptr;
    core->loop = nullptr;
  });
  std::unique_lock lock(core_->mutex);
  core_->cv.wait(lock, [&] { return core_->started; });
}

NetThread::~NetThread() {
  post([core = core_] {
    std::lock_guard lock(core->mutex);
    core->stopping = true;  // nothing posted from now on would ever run
    if (core->loop != nullptr) core->loop->quit();
  });
  if (isCurrent()) {
    thread_.detach();  // destroyed from one of its own tasks: it ends by itself
  } else {
    thread_.join();
  }
}

bool NetThread::post(std::function<void()> task) {
  std::lock_guard lock(core_->mutex);
  if (core_->context == nullptr || core_->stopping) return false;
  QMetaObject::invokeMethod(core_->context, std::move(task), Qt::QueuedConnection);
  return true;
}

void NetThread::run(const std::function<void()>& task) {
  if (isCurrent()) {
    task();
    return;
  }
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  const bool posted = post([&] {
    task();
    std::lock_guard lock(m);
    done = true;
    cv.notify_all();
  });
  if (!posted) return;
  std::unique_lock lock(m);
  cv.wait(lock, [&] { return done; });
}

bool NetThread::isCurrent() const { return core_->id.load() == std::this_thread::get_id(); }

QObject* NetThread::context() const {
  std::lock_guard lock(core_->mutex);
  return core_->context;
}

}  // namespace orvak::net
