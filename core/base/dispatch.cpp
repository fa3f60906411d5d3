#include "core/base/dispatch.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace orvak::dispatch {

// ---------------------------------------------------------------------------------------------
// Work items

struct WorkItem::State {
  enum : int { Pending = 0, Started = 1, Cancelled = 2 };
  std::atomic<int> status{Pending};
  bool tryStart() {
    int expected = Pending;
    return status.compare_exchange_strong(expected, Started);
  }
};

WorkItem::WorkItem() : state_(std::make_shared<State>()) {}

void WorkItem::cancel() const {
  int expected = State::Pending;
  state_->status.compare_exchange_strong(expected, State::Cancelled);
}

bool WorkItem::isCancelled() const { return state_->status.load() == State::Cancelled; }
bool WorkItem::isDone() const { return state_->status.load() != State::Pending; }

namespace {

thread_local const Queue* tlsCurrent = nullptr;

// Sets the current queue for the duration of one task.
class CurrentScope {
 public:
  explicit CurrentScope(const Queue* q) : saved_(tlsCurrent) { tlsCurrent = q; }
  ~CurrentScope() { tlsCurrent = saved_; }
  CurrentScope(const CurrentScope&) = delete;
  CurrentScope& operator=(const CurrentScope&) = delete;

 private:
  const Queue* saved_;
};

// `q` only marks the current queue here and is never dereferenced: a serial queue's worker keeps
// running submitted work after the queue object is gone, so the label comes separately.
void runGuarded(const Queue* q, const std::string& label, const Task& task) {
  CurrentScope scope(q);
  try {
    task();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dispatch: uncaught exception on %s: %s\n", label.c_str(), e.what());
  } catch (...) {
    std::fprintf(stderr, "dispatch: uncaught exception on %s\n", label.c_str());
  }
}

void runGuarded(const Queue& q, const Task& task) { runGuarded(&q, q.label(), task); }

std::uint64_t realMonotonicNanos() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1'000'000'000ULL +
         static_cast<std::uint64_t>(ts.tv_nsec);
}

std::int64_t realWallMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Far deadlines saturate instead of wrapping around into the past.
std::uint64_t addNanos(std::uint64_t a, std::uint64_t b) {
  return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

std::uint64_t secondsToNanos(double seconds) {
  if (!(seconds > 0)) return 0;  // negative and NaN both mean "now"
  const double ns = seconds * 1e9;
  if (ns >= 1.8e19) return UINT64_C(18'000'000'000'000'000'000);
  return static_cast<std::uint64_t>(ns);
}

// A wait of `ns` for the standard library's clocks, whose counts are signed: past an hour it is
// cut to one, and every caller waits in a loop that looks at its real deadline again.
std::chrono::nanoseconds waitSpan(std::uint64_t ns) {
  constexpr std::uint64_t hour = 3'600'000'000'000ULL;
  return std::chrono::nanoseconds(static_cast<std::int64_t>(std::min(ns, hour)));
}

// ---------------------------------------------------------------------------------------------
// The virtual executor: one ordered list of (due, sequence) for every queue.

class VirtualExecutor {
 public:
  struct Entry {
    const Queue* queue;
    std::shared_ptr<Queue> keepAlive;
    std::shared_ptr<WorkItem::State> item;  // may be null for plain async
    Task task;
  };

  void post(const Queue* q, std::shared_ptr<Queue> keep, std::uint64_t delayNs,
            std::shared_ptr<WorkItem::State> item, Task task) {
    std::lock_guard lock(mutex_);
    entries_.emplace(Key{addNanos(now_, delayNs), seq_++}, Entry{q, std::move(keep), std::move(item), std::move(task)});
  }

  // Runs the earliest entry due at or before `limit`; false when there is none.
  bool runOne(std::uint64_t limit) {
    Entry entry;
    {
      std::lock_guard lock(mutex_);
      auto it = entries_.begin();
      if (it == entries_.end() || it->first.due > limit) return false;
      now_ = std::max(now_, it->first.due);
      entry = std::move(it->second);
      entries_.erase(it);
    }
    if (entry.item && !entry.item->tryStart()) return true;
    runGuarded(*entry.queue, entry.task);
    return true;
  }

  void drain() {
    while (runOne(nowNanos())) {
    }
  }

  void advance(double seconds) {
    const std::uint64_t target = addNanos(nowNanos(), secondsToNanos(seconds));
    while (runOne(target)) {
    }
    std::lock_guard lock(mutex_);
    now_ = std::max(now_, target);
  }

  std::uint64_t nowNanos() const {
    std::lock_guard lock(mutex_);
    return now_;
  }

  void skip(double seconds) {
    std::lock_guard lock(mutex_);
    now_ = addNanos(now_, secondsToNanos(seconds));
  }

  std::int64_t wallMillis() const {
    std::lock_guard lock(mutex_);
    return wallBase_ + static_cast<std::int64_t>((now_ - start_) / 1'000'000);
  }

  void setWallMillis(std::int64_t millis) {
    std::lock_guard lock(mutex_);
    wallBase_ = millis - static_cast<std::int64_t>((now_ - start_) / 1'000'000);
  }

  std::size_t pending() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(), [](const auto& kv) {
      return !kv.second.item || kv.second.item->status.load() == WorkItem::State::Pending;
    }));
  }

 private:
  struct Key {
    std::uint64_t due;
    std::uint64_t seq;
    bool operator<(const Key& o) const { return due != o.due ? due < o.due : seq < o.seq; }
  };
  static constexpr std::uint64_t kStart = 1'000'000'000'000ULL;  // 1000 s of "uptime"
  mutable std::mutex mutex_;
  std::map<Key, Entry> entries_;
  std::uint64_t seq_ = 0;
  std::uint64_t start_ = kStart;
  std::uint64_t now_ = kStart;
  std::int64_t wallBase_ = 1'773'480'413'589;  // 2026-03-14T09:26:53.589Z
};

std::atomic<VirtualExecutor*> gVirtual{nullptr};

// ---------------------------------------------------------------------------------------------
// Real-mode timer thread: hands due work to its queue.

class TimerThread {
 public:
  static TimerThread& shared() {
    static auto* instance = new TimerThread();  // never destroyed: queues may post at exit
    return *instance;
  }

  void schedule(std::uint64_t dueNs, std::shared_ptr<Queue> queue, Task task) {
    {
      std::lock_guard lock(mutex_);
      entries_.emplace(std::pair{dueNs, seq_++}, std::pair{std::move(queue), std::move(task)});
      if (!thread_.joinable()) thread_ = std::thread([this] { loop(); });
    }
    cv_.notify_one();
  }

 private:
  void loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (entries_.empty()) {
        cv_.wait(lock);
        continue;
      }
      auto it = entries_.begin();
      const std::uint64_t now = realMonotonicNanos();
      if (it->first.first > now) {
        cv_.wait_for(lock, waitSpan(it->first.first - now));
        continue;
      }
      auto [queue, task] = std::move(it->second);
      entries_.erase(it);
      lock.unlock();
      // The timer may hold the queue's last reference. Handing it to the task makes the queue's
      // worker release it, so its destructor never runs (and joins) here, where it would stall
      // every timer and deadlock against a task that schedules delayed work.
      Queue& target = *queue;
      target.async([keep = std::move(queue), task = std::move(task)] { task(); });
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable cv_;
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::pair<std::shared_ptr<Queue>, Task>> entries_;
  std::uint64_t seq_ = 0;
  std::thread thread_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Queue kinds

// What each queue kind does in real mode.
class RealQueue : public Queue {
 public:
  using Queue::Queue;
  virtual void post(Task task) = 0;
  // Whether the calling thread is running this queue's work (beyond the task-scope marker).
  virtual bool ownsThread() const { return false; }
};

namespace {

class SerialQueue final : public RealQueue {
 public:
  explicit SerialQueue(std::string label) : RealQueue(std::move(label), true), core_(std::make_shared<Core>()) {
    core_->label = this->label();
  }

  ~SerialQueue() override {
    {
      std::lock_guard lock(core_->mutex);
      core_->closing = true;
    }
    core_->cv.notify_one();
    if (core_->thread.joinable()) {
      if (core_->thread.get_id() == std::this_thread::get_id()) {
        core_->thread.detach();  // the last holder let go from inside a task of this queue
      } else {
        core_->thread.join();
      }
    }
  }

  // Touches only its own reference to the core once the task is in: the task may hold the queue's
  // last reference (the timer hands it over), and the worker can run it and destroy the queue
  // before this returns.
  void post(Task task) override {
    const std::shared_ptr<Core> core = core_;
    {
      std::lock_guard lock(core->mutex);
      core->tasks.push_back(std::move(task));
      if (!core->thread.joinable()) {
        core->thread = std::thread([core, self = static_cast<const Queue*>(this)] { run(core, self); });
      }
    }
    core->cv.notify_one();
  }

 private:
  struct Core {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<Task> tasks;
    std::string label;  // outlives the queue when the last holder lets go inside a task
    bool closing = false;
    std::thread thread;
  };

  static void run(const std::shared_ptr<Core>& core, const Queue* self) {
    std::unique_lock lock(core->mutex);
    for (;;) {
      core->cv.wait(lock, [&] { return !core->tasks.empty() || core->closing; });
      if (core->tasks.empty()) return;  // closing, and everything submitted has run
      Task task = std::move(core->tasks.front());
      core->tasks.pop_front();
      lock.unlock();
      runGuarded(self, core->label, task);
      task = nullptr;  // release captures before taking the lock again
      lock.lock();
    }
  }

  std::shared_ptr<Core> core_;
};

class ConcurrentQueue final : public RealQueue {
 public:
  ConcurrentQueue(std::string label, unsigned threads) : RealQueue(std::move(label), false), threadCount_(threads) {}

  void post(Task task) override {
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
      if (threads_.empty()) {
        for (unsigned i = 0; i < threadCount_; ++i) threads_.emplace_back([this] { run(); });
        for (auto& t : threads_) t.detach();  // the pool lives as long as the process
      }
    }
    cv_.notify_one();
  }

 private:
  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      cv_.wait(lock, [&] { return !tasks_.empty(); });
      Task task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      runGuarded(*this, task);
      task = nullptr;
      lock.lock();
    }
  }

  unsigned threadCount_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Task> tasks_;
  std::vector<std::thread> threads_;
};

class MainQueue final : public RealQueue {
 public:
  MainQueue() : RealQueue("orvak.main", true) {}

  void plug(std::function<void(Task)> post, std::function<bool()> isMain) {
    std::lock_guard lock(mutex_);
    externalPost_ = std::move(post);
    externalIsMain_ = std::move(isMain);
  }

  void post(Task task) override {
    std::function<void(Task)> external;
    {
      std::lock_guard lock(mutex_);
      external = externalPost_;
      if (!external) {
        tasks_.push_back(std::move(task));
      }
    }
    if (external) {
      external([this, task = std::move(task)] { runGuarded(*this, task); });
    } else {
      cv_.notify_all();
    }
  }

  bool ownsThread() const override {
    std::lock_guard lock(mutex_);
    if (externalIsMain_) return externalIsMain_();
    return loopThreadSet_ && loopThread_ == std::this_thread::get_id();
  }

  int drain() {
    claimThread();
    int ran = 0;
    for (;;) {
      Task task;
      {
        std::lock_guard lock(mutex_);
        if (tasks_.empty()) return ran;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      runGuarded(*this, task);
      ++ran;
    }
  }

  bool runUntil(const std::function<bool()>& done, double timeoutSeconds) {
    const std::uint64_t deadline = addNanos(realMonotonicNanos(), secondsToNanos(timeoutSeconds));
    for (;;) {
      drain();
      if (done()) return true;
      std::unique_lock lock(mutex_);
      const std::uint64_t now = realMonotonicNanos();
      if (now >= deadline) return done();
      cv_.wait_for(lock, std::min(waitSpan(deadline - now), std::chrono::nanoseconds(5'000'000)),
                   [&] { return !tasks_.empty(); });
    }
  }

 private:
  void claimThread() {
    std::lock_guard lock(mutex_);
    if (!loopThreadSet_) {
      loopThread_ = std::this_thread::get_id();
      loopThreadSet_ = true;
    }
  }

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Task> tasks_;
  std::function<void(Task)> externalPost_;
  std::function<bool()> externalIsMain_;
  std::thread::id loopThread_;
  bool loopThreadSet_ = false;
};

MainQueue& mainQueueImpl() {
  static auto* q = new std::shared_ptr<MainQueue>(std::make_shared<MainQueue>());
  return **q;
}

ConcurrentQueue& globalQueueImpl() {
  static auto* q = new std::shared_ptr<ConcurrentQueue>(
      std::make_shared<ConcurrentQueue>("orvak.global", std::max(4u, std::thread::hardware_concurrency())));
  return **q;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Queue

Queue::Queue(std::string label, bool serial) : label_(std::move(label)), serial_(serial) {}
Queue::~Queue() = default;

bool Queue::isCurrent() const {
  if (tlsCurrent == this) return true;
  if (gVirtual.load() != nullptr) return false;
  return static_cast<const RealQueue*>(this)->ownsThread();
}

void Queue::async(Task task) {
  if (auto* v = gVirtual.load()) {
    v->post(this, shared_from_this(), 0, nullptr, std::move(task));
    return;
  }
  static_cast<RealQueue*>(this)->post(std::move(task));
}

WorkItem Queue::asyncAfter(double seconds, Task task) {
  WorkItem item;
  auto state = item.state_;
  const std::uint64_t delay = secondsToNanos(seconds);
  if (auto* v = gVirtual.load()) {
    v->post(this, shared_from_this(), delay, state, std::move(task));
    return item;
  }
  Task guarded = [state, task = std::move(task)] {
    if (state->tryStart()) task();
  };
  if (delay == 0) {
    static_cast<RealQueue*>(this)->post(std::move(guarded));
  } else {
    TimerThread::shared().schedule(addNanos(realMonotonicNanos(), delay), shared_from_this(), std::move(guarded));
  }
  return item;
}

void Queue::sync(const Task& task) {
  if (isCurrent()) throw DeadlockError("dispatch: sync onto the queue already running (" + label_ + ")");
  if (gVirtual.load() != nullptr) {
    // As in real mode, the task's exception reaches the caller.
    CurrentScope scope(this);
    task();
    return;
  }
  std::promise<void> done;
  auto future = done.get_future();
  std::exception_ptr error;
  static_cast<RealQueue*>(this)->post([&] {
    try {
      task();
    } catch (...) {
      error = std::current_exception();
    }
    done.set_value();
  });
  future.wait();
  if (error) std::rethrow_exception(error);
}

std::shared_ptr<Queue> makeQueue(std::string label) {
  return std::make_shared<SerialQueue>(std::move(label));
}

Queue& global() { return globalQueueImpl(); }
Queue& main() { return mainQueueImpl(); }

void setMainExecutor(std::function<void(Task)> post, std::function<bool()> isMainThread) {
  mainQueueImpl().plug(std::move(post), std::move(isMainThread));
}

namespace mainloop {
int drain() {
  if (auto* v = gVirtual.load()) {
    const auto before = v->pending();
    v->drain();
    return static_cast<int>(before - std::min(before, v->pending()));
  }
  return mainQueueImpl().drain();
}
bool runUntil(const std::function<bool()>& done, double timeoutSeconds) {
  if (auto* v = gVirtual.load()) {
    v->drain();
    return done();
  }
  return mainQueueImpl().runUntil(done, timeoutSeconds);
}
}  // namespace mainloop

// ---------------------------------------------------------------------------------------------
// Repeating timers

struct RepeatingTimer::State {
  std::shared_ptr<Queue> queue;
  std::uint64_t intervalNs = 0;
  Task task;
  std::mutex mutex;
  bool active = true;
  WorkItem next;

  static void arm(const std::shared_ptr<State>& self) {
    std::weak_ptr<State> weak = self;
    std::lock_guard lock(self->mutex);
    if (!self->active) return;
    self->next = self->queue->asyncAfter(static_cast<double>(self->intervalNs) / 1e9, [weak] {
      auto strong = weak.lock();
      if (!strong) return;
      {
        std::lock_guard lock(strong->mutex);
        if (!strong->active) return;
      }
      strong->task();
      arm(strong);
    });
  }
};

RepeatingTimer::RepeatingTimer(Queue& queue, double intervalSeconds, Task task) : state_(std::make_shared<State>()) {
  state_->queue = queue.shared_from_this();
  // A zero interval would spin; a millisecond is the shortest period anything here needs.
  state_->intervalNs = std::max<std::uint64_t>(secondsToNanos(intervalSeconds), 1'000'000);
  state_->task = std::move(task);
  State::arm(state_);
}

RepeatingTimer& RepeatingTimer::operator=(RepeatingTimer&& other) noexcept {
  if (this != &other) {
    cancel();
    state_ = std::move(other.state_);
  }
  return *this;
}

RepeatingTimer::~RepeatingTimer() { cancel(); }

void RepeatingTimer::cancel() {
  if (!state_) return;
  std::lock_guard lock(state_->mutex);
  state_->active = false;
  state_->next.cancel();
}

bool RepeatingTimer::isActive() const {
  if (!state_) return false;
  std::lock_guard lock(state_->mutex);
  return state_->active;
}

// ---------------------------------------------------------------------------------------------
// Clocks and virtual time

std::uint64_t monotonicNanos() {
  if (auto* v = gVirtual.load()) return v->nowNanos();
  return realMonotonicNanos();
}

std::int64_t wallMillis() {
  if (auto* v = gVirtual.load()) return v->wallMillis();
  return realWallMillis();
}

void blockFor(double seconds) {
  if (auto* v = gVirtual.load()) return v->skip(seconds);
  const std::uint64_t ns = secondsToNanos(seconds);
  const std::uint64_t until = addNanos(realMonotonicNanos(), ns);
  for (std::uint64_t now = realMonotonicNanos(); now < until; now = realMonotonicNanos()) {
    std::this_thread::sleep_for(waitSpan(until - now));
  }
}

namespace {
std::unique_ptr<VirtualExecutor>& virtualSlot() {
  static std::unique_ptr<VirtualExecutor> slot;
  return slot;
}
VirtualExecutor& virtualExec() { return *gVirtual.load(); }
}  // namespace

VirtualTime::VirtualTime() {
  if (gVirtual.load() != nullptr) throw std::logic_error("dispatch: only one VirtualTime at a time");
  virtualSlot() = std::make_unique<VirtualExecutor>();
  gVirtual.store(virtualSlot().get());
}

VirtualTime::~VirtualTime() {
  gVirtual.store(nullptr);
  virtualSlot().reset();
}

void VirtualTime::drain() { virtualExec().drain(); }
void VirtualTime::advance(double seconds) { virtualExec().advance(seconds); }
void VirtualTime::setWallMillis(std::int64_t millis) { virtualExec().setWallMillis(millis); }
std::uint64_t VirtualTime::nowNanos() const { return virtualExec().nowNanos(); }
std::size_t VirtualTime::pending() const { return virtualExec().pending(); }

}  // namespace orvak::dispatch
