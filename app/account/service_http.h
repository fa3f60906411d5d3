// One HTTP exchange with the maker's service, run on the process's network thread with Qt
// Network. The reader sees the status and the body as it arrives and may stop reading at any
// point; nothing is gathered here, so a streamed reply is read piece by piece and a long failure
// body is never read past what the reader wants.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/account/service_fail.h"

namespace orvak::account {

// A 2xx status: the service did what was asked.
inline bool isSuccess(int status) { return status >= 200 && status <= 299; }

// A handle to a request. `cancel` aborts it from any thread; its reader then ends with the
// cancellation failure (unless the reply had already ended). An empty handle cancels nothing.
class Exchange {
 public:
  struct State;
  Exchange() = default;
  explicit Exchange(std::shared_ptr<State> state) : state_(std::move(state)) {}
  void cancel() const;

 private:
  std::shared_ptr<State> state_;
};

// How long a request may take and how much of a reply it reads. A body passing `maxBody` ends
// the request with the tooLarge failure; a reply outside 2xx is read up to `maxFailureBody` bytes
// (all its "error" needs) and then ends as if the body had ended there.
struct Bounds {
  // Seconds without any data moving before the request fails as timed out.
  double timeout = 15;
  // Seconds for the whole exchange, however steadily the data trickles in.
  double deadline = 60;
  std::size_t maxBody = 64 * 1024;
  std::size_t maxFailureBody = 4097;
};

struct HttpCall {
  std::string method;  // "GET" or "POST"
  std::string url;     // a checked address (see service_address.h)
  std::vector<std::pair<std::string, std::string>> headers;
  std::optional<std::string> body;
  Bounds bounds;
};

// Called on the network thread. `onData` gets each piece of the body with the reply's status (0
// when the reply has none) and returns false to stop: the request is dropped and nothing more is
// called. Otherwise `onEnd` is called once, with the status and either nothing (the reply ended)
// or the platform's failure (no connection, a dropped one, a time-out, a cancel).
struct HttpReader {
  std::function<bool(int status, std::string_view bytes)> onData;
  std::function<void(int status, std::optional<PlatformFail> failure)> onEnd;
};

Exchange sendHttp(HttpCall call, HttpReader reader);

}  // namespace orvak::account
