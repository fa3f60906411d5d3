// Dispatch queues, timers and clocks for the whole program.
//
// Logic code takes every delay, timer and clock reading from here, never from QTimer, sleep or
// std::chrono directly, so that tests can run it in virtual time: with `VirtualTime` alive, every
// queue runs on one executor on the calling thread, `sync` runs inline, the clocks stand still,
// and `VirtualTime::advance(seconds)` fires what falls due, in order.
//
// Real mode: each serial queue owns one worker thread (started on first use), the global queue is
// a small pool, one timer thread hands due work to its queue, and the main queue is whatever the
// program plugs in (the Qt event loop in the application, `MainLoop` in tools).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <optional>
#include <string_view>
#include <type_traits>

namespace orvak::dispatch {

using Task = std::function<void()>;

// Raised by `Queue::sync` when called from the queue it targets (it would deadlock).
struct DeadlockError : std::logic_error {
  using std::logic_error::logic_error;
};

// A handle to scheduled work; `cancel` guarantees the work has not started and never will, or
// (when it already began) changes nothing. Copies share the same item.
class WorkItem {
 public:
  WorkItem();
  void cancel() const;
  bool isCancelled() const;
  // True once the work ran or was cancelled.
  bool isDone() const;

 struct State;  // shared with the executors

 private:
  friend class Queue;
  std::shared_ptr<State> state_;
};

// A serial queue: tasks run one at a time, in submission order. Concurrent queues (the global
// pool) run tasks in submission order but several at once.
class Queue : public std::enable_shared_from_this<Queue> {
 public:
  virtual ~Queue();
  const std::string& label() const { return label_; }
  bool isSerial() const { return serial_; }

  void async(Task task);
  // Runs `task` after `seconds` (negative counts as 0). The returned item can cancel it.
  WorkItem asyncAfter(double seconds, Task task);
  // Runs `task` on this queue and waits for it. Throws DeadlockError when called from this queue.
  void sync(const Task& task);
  template <class F>
  auto syncValue(F&& f) -> decltype(f()) {
    using R = decltype(f());
    if constexpr (std::is_void_v<R>) {
      sync(std::forward<F>(f));
    } else {
      std::optional<R> out;
      sync([&] { out.emplace(f()); });
      return std::move(*out);
    }
  }
  // True while the calling thread is running a task of this queue.
  bool isCurrent() const;

 protected:
  Queue(std::string label, bool serial);

 private:
  std::string label_;
  bool serial_;
};

// A new serial queue. The queue lives while someone holds it; work already submitted still runs.
std::shared_ptr<Queue> makeQueue(std::string label);
// The process-wide concurrent queue.
Queue& global();
// The main queue: the UI thread in the application, the pumped loop in tools and tests.
Queue& main();

// A repeating timer; the first firing is `interval` seconds after creation. Stops when cancelled
// or destroyed. Move-only.
class RepeatingTimer {
 public:
  RepeatingTimer() = default;
  RepeatingTimer(Queue& queue, double intervalSeconds, Task task);
  RepeatingTimer(RepeatingTimer&&) noexcept = default;
  RepeatingTimer& operator=(RepeatingTimer&& other) noexcept;
  ~RepeatingTimer();
  void cancel();
  bool isActive() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// ---- Clocks ----

// Monotonic nanoseconds (CLOCK_MONOTONIC; virtual time while `VirtualTime` is alive).
std::uint64_t monotonicNanos();
// The same clock in seconds, as key events, activations and the onboarding's steps are stamped.
inline double monotonicSeconds() { return static_cast<double>(monotonicNanos()) / 1e9; }
// Wall-clock time in milliseconds since the Unix epoch (virtual time while `VirtualTime` is alive).
std::int64_t wallMillis();

// Holds the calling thread for `seconds` (negative and NaN count as 0): a synchronous call into
// something slow, such as another process answering late. In virtual time the clock moves forward
// at once and nothing else runs meanwhile (the caller's queue is busy, as it would be); work that
// fell due runs at the next `drain` or `advance`.
void blockFor(double seconds);

// ---- Main queue plumbing ----

// Plugs the program's event loop in as the main queue. `post` must run the task later on the main
// thread; `isMainThread` tells whether the caller is on it. Call once, at start-up, before any
// work is sent to the main queue.
void setMainExecutor(std::function<void(Task)> post, std::function<bool()> isMainThread);

// The default main loop, for tools and tests that have no Qt event loop. The thread that first
// pumps it is the main thread.
namespace mainloop {
// Runs every main-queue task that is ready; returns how many ran.
int drain();
// Runs main-queue tasks until `done` returns true or `timeoutSeconds` pass (real time).
// Returns the final value of `done`.
bool runUntil(const std::function<bool()>& done, double timeoutSeconds);
}  // namespace mainloop

// ---- Virtual time, for tests ----

// While an instance lives, every queue (the main one too) runs on one deterministic executor on
// the thread that owns it. Nothing runs until the owner calls `drain` or `advance`. Only one may
// exist at a time.
class VirtualTime {
 public:
  VirtualTime();
  ~VirtualTime();
  VirtualTime(const VirtualTime&) = delete;
  VirtualTime& operator=(const VirtualTime&) = delete;

  // Runs everything that is ready now (and what that submits), without moving the clock.
  void drain();
  // Moves the clock forward by `seconds`, running each due task at its own time, in order of due
  // time and then submission.
  void advance(double seconds);
  // Sets the wall clock (milliseconds since the epoch) that corresponds to the current instant.
  void setWallMillis(std::int64_t millis);
  std::uint64_t nowNanos() const;
  // Tasks waiting (ready or scheduled, not cancelled).
  std::size_t pending() const;
};

}  // namespace orvak::dispatch
