// The thread the network objects of the speech module live on.
//
// Qt's sockets, timers and HTTP replies belong to the thread that made them and only work while
// that thread runs an event loop. The engines are driven from other threads (the player's queue,
// tools, tests), so every Qt network object is made, used and destroyed on one of these threads,
// and the engines hand work over with `post` and `run`.
//
// Qt delivers no event at all unless an application object exists. When the first thread starts
// and the program has none (command-line tools, tests), one is made on that thread and kept for
// the life of the process; a program with its own application object must make it before the
// first engine is used.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

class QObject;

namespace orvak::net {

class NetThread {
 public:
  // The process's network thread. Never stopped: replies may still arrive while the process ends.
  static NetThread& shared();

  // A thread of one's own (tests run their servers on one). Stopping it destroys the objects
  // parented to `context()` on the thread, then joins it.
  explicit NetThread(std::string name);
  ~NetThread();
  NetThread(const NetThread&) = delete;
  NetThread& operator=(const NetThread&) = delete;

  // Runs `task` on the thread, later, in posting order; false (and dropped) once it is stopping.
  bool post(std::function<void()> task);
  // Runs `task` on the thread and waits for it; runs it inline when called on the thread, and
  // not at all once the thread is stopping.
  void run(const std::function<void()>& task);
  template <class F>
  auto call(F&& f) -> decltype(f()) {
    using R = decltype(f());
    if constexpr (std::is_void_v<R>) {
      run(std::forward<F>(f));
    } else {
      std::optional<R> out;
      run([&] { out.emplace(f()); });
      if (!out) throw std::runtime_error("network thread stopped");
      return std::move(*out);
    }
  }
  bool isCurrent() const;

  // An object living on the thread, for parenting and as the context of connections.
  QObject* context() const;

 private:
  NetThread(std::string name, bool isShared);

  struct Core;
  std::shared_ptr<Core> core_;
  std::thread thread_;
};

}  // namespace orvak::net
