// A short-lived connection to the PulseAudio server on a private main loop, for one-off queries.
// Never starts a server of its own: no server means no connection.
#pragma once

#include <pulse/pulseaudio.h>

#include <functional>
#include <string>

namespace orvak::platform::pulse {

class Connection {
 public:
  // Connects, waiting at most `timeoutSeconds`; `ok()` tells whether it worked.
  explicit Connection(const std::string& clientName, double timeoutSeconds = 1.0);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool ok() const { return ready_; }
  pa_context* context() const { return context_; }
  // Runs the loop until the operation ends or the connection fails; `op` is unreferenced here.
  // Returns false when it did not complete.
  bool await(pa_operation* op);
  // Runs the loop until `done` returns true or the connection fails.
  bool runUntil(const std::function<bool()>& done);

 private:
  pa_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  bool ready_ = false;
};

}  // namespace orvak::platform::pulse
