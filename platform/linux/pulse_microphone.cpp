#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "platform/audio_input.h"
#include "platform/microphone.h"

namespace orvak::platform {

namespace {

// One connection to the sound server for as long as it answers, on a thread of its own, that
// keeps the number of recording sources up to date from the server's source events. Reading the
// number costs nothing: the permission poll asks every second, and a connection per question kept
// the main thread busy forever on a machine without a microphone.
class SourceWatch {
 public:
  // Connects and waits (at most `timeoutSeconds`) for the first count; `alive()` says whether it
  // worked.
  SourceWatch(const std::string& clientName, double timeoutSeconds) {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) return;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), clientName.c_str());
    if (context_ == nullptr) return;
    pa_context_set_state_callback(context_, &SourceWatch::stateChanged, this);
    pa_context_set_subscribe_callback(context_, &SourceWatch::sourceEvent, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
    if (pa_threaded_mainloop_start(loop_) < 0) return;
    running_ = true;
    std::unique_lock lock(mutex_);
    settled_.wait_for(lock, std::chrono::duration<double>(timeoutSeconds), [this] { return counted_ || failed_; });
  }
  ~SourceWatch() {
    if (running_) {
      pa_threaded_mainloop_lock(loop_);
      pa_context_disconnect(context_);
      pa_threaded_mainloop_unlock(loop_);
      pa_threaded_mainloop_stop(loop_);
    }
    if (context_ != nullptr) pa_context_unref(context_);
    if (loop_ != nullptr) pa_threaded_mainloop_free(loop_);
  }
  SourceWatch(const SourceWatch&) = delete;
  SourceWatch& operator=(const SourceWatch&) = delete;

  // Connected and counted, and the connection has not failed since.
  bool alive() const {
    std::lock_guard lock(mutex_);
    return counted_ && !failed_;
  }
  // Sources that are not monitors of an output.
  int inputs() const { return inputs_.load(); }

 private:
  // ---- On the loop's thread ----
  static void stateChanged(pa_context* context, void* user) {
    auto* self = static_cast<SourceWatch*>(user);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
      pa_operation_unref(pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SOURCE, nullptr, nullptr));
      self->count();
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
      std::lock_guard lock(self->mutex_);
      self->failed_ = true;
      self->settled_.notify_all();
    }
  }
  static void sourceEvent(pa_context*, pa_subscription_event_type_t type, std::uint32_t, void* user) {
    const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    if (kind == PA_SUBSCRIPTION_EVENT_NEW || kind == PA_SUBSCRIPTION_EVENT_REMOVE) static_cast<SourceWatch*>(user)->count();
  }
  // Asks for the source list; one count at a time, another after it when events came meanwhile.
  void count() {
    if (counting_) {
      countAgain_ = true;
      return;
    }
    counting_ = true;
    tally_ = 0;
    pa_operation* op = pa_context_get_source_info_list(context_, &SourceWatch::source, this);
    if (op == nullptr) {
      counting_ = false;
      return;
    }
    pa_operation_unref(op);
  }
  static void source(pa_context*, const pa_source_info* info, int eol, void* user) {
    auto* self = static_cast<SourceWatch*>(user);
    if (eol == 0) {
      // A monitor source records what an output plays, not a microphone.
      if (info != nullptr && info->monitor_of_sink == PA_INVALID_INDEX) ++self->tally_;
      return;
    }
    self->counting_ = false;
    if (eol > 0) {
      self->inputs_.store(self->tally_);
      std::lock_guard lock(self->mutex_);
      self->counted_ = true;
      self->settled_.notify_all();
    }
    if (self->countAgain_) {
      self->countAgain_ = false;
      self->count();
    }
  }

  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  bool running_ = false;
  std::atomic<int> inputs_{-1};
  // The loop thread's own.
  bool counting_ = false;
  bool countAgain_ = false;
  int tally_ = 0;
  // Shared with the callers.
  mutable std::mutex mutex_;
  std::condition_variable settled_;
  bool counted_ = false;
  bool failed_ = false;
};

class PulseMicrophone final : public Microphone, public std::enable_shared_from_this<PulseMicrophone> {
 public:
  explicit PulseMicrophone(std::string clientName) : clientName_(std::move(clientName)) {}

  MicAccess access() override {
    const int inputs = countInputs();
    std::lock_guard lock(mutex_);
    // A failed test recording counts until the inputs change (one plugged in, or taken away).
    if (failedWithInputs_ && *failedWithInputs_ == inputs) return MicAccess::denied;
    failedWithInputs_.reset();
    return inputs > 0 ? MicAccess::granted : MicAccess::denied;
  }

  void request(std::function<void()> answered) override {
    // Nothing to grant: the request is a short test recording, off the main thread since the server
    // may be slow. A source that cannot be recorded from makes the state denied.
    dispatch::global().async([this, self = weak_from_this(), answered = std::move(answered)] {
      if (auto alive = self.lock()) {
        const bool ok = testRecording();
        const int inputs = countInputs();
        std::lock_guard lock(mutex_);
        if (ok) {
          failedWithInputs_.reset();
        } else {
          failedWithInputs_ = inputs;
        }
      }
      answered();
    });
  }

 private:
  // A server that went away is looked for again after 1 s, then 2, 4 … at most a minute apart.
  static constexpr double kFirstRetry = 1;
  static constexpr double kLongestRetry = 60;
  static constexpr double kConnectTimeout = 1;

  // Input sources of the server that are not monitors of an output; -1 without a server.
  int countInputs() {
    std::lock_guard lock(watchMutex_);
    if (watch_ && watch_->alive()) return watch_->inputs();
    const std::uint64_t now = dispatch::monotonicNanos();
    if (watch_ && now < nextTry_) return -1;
    watch_.reset();  // a failed connection goes before the next is made
    watch_.emplace(clientName_, kConnectTimeout);
    if (watch_->alive()) {
      retry_ = kFirstRetry;
      return watch_->inputs();
    }
    nextTry_ = now + static_cast<std::uint64_t>(retry_ * 1e9);
    retry_ = std::min(retry_ * 2, kLongestRetry);
    return -1;
  }

  // Records 0.2 s from the default source; true when sound arrived.
  bool testRecording() {
    auto input = makePulseAudioInput(clientName_, 16000);
    std::atomic<std::size_t> samples{0};
    try {
      input->open([&samples](std::span<const float> chunk, std::uint64_t) { samples += chunk.size(); });
    } catch (const AudioInputError& e) {
      Log::write(std::string("microphone: test recording failed (") + e.what() + ")");
      return false;
    }
    // The 0.2 s, then a little longer for the first chunk of a slow server.
    for (int i = 0; i < 10 && (i < 4 || samples.load() == 0); ++i) dispatch::blockFor(0.05);
    input->close();
    if (samples.load() == 0) Log::write("microphone: test recording heard nothing");
    return samples.load() > 0;
  }

  std::string clientName_;
  std::mutex mutex_;
  std::optional<int> failedWithInputs_;
  std::mutex watchMutex_;
  std::optional<SourceWatch> watch_;
  std::uint64_t nextTry_ = 0;
  double retry_ = kFirstRetry;
};

}  // namespace

std::shared_ptr<Microphone> makePulseMicrophone(std::string clientName) {
  return std::make_shared<PulseMicrophone>(std::move(clientName));
}

}  // namespace orvak::platform
