#include "platform/linux/pulse_connection.h"

#include <chrono>

namespace orvak::platform::pulse {

Connection::Connection(const std::string& clientName, double timeoutSeconds) {
  loop_ = pa_mainloop_new();
  if (loop_ == nullptr) return;
  context_ = pa_context_new(pa_mainloop_get_api(loop_), clientName.c_str());
  if (context_ == nullptr) return;
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
  // The wall-clock bound is only a guard against a server that accepts and never answers.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  for (;;) {
    const pa_context_state_t state = pa_context_get_state(context_);
    if (state == PA_CONTEXT_READY) {
      ready_ = true;
      return;
    }
    if (!PA_CONTEXT_IS_GOOD(state)) return;
    if (std::chrono::steady_clock::now() >= deadline) return;
    if (pa_mainloop_prepare(loop_, 10'000) < 0 || pa_mainloop_poll(loop_) < 0 || pa_mainloop_dispatch(loop_) < 0) return;
  }
}

Connection::~Connection() {
  if (context_ != nullptr) {
    pa_context_disconnect(context_);
    pa_context_unref(context_);
  }
  if (loop_ != nullptr) pa_mainloop_free(loop_);
}

bool Connection::await(pa_operation* op) {
  if (op == nullptr) return false;
  const bool completed = runUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }) &&
                         pa_operation_get_state(op) == PA_OPERATION_DONE;
  pa_operation_unref(op);
  return completed;
}

bool Connection::runUntil(const std::function<bool()>& done) {
  if (!ready_) return false;
  while (!done()) {
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) return false;
    if (pa_mainloop_iterate(loop_, 1, nullptr) < 0) return false;
  }
  return true;
}

}  // namespace orvak::platform::pulse
