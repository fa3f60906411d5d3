// The steps every request to the maker's service shares: forming the address and headers, and
// turning a reply outside 2xx into the service's failure.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/account/service_fail.h"
#include "app/account/service_http.h"

namespace orvak::account {

// The request for `method` `path` on `base`, with "content-type" "application/json" when a body
// is given and "authorization" "Bearer " + the device token (read now) when `auth` is set. Fails,
// before anything is sent, with server(0, "bad URL") when the address is not valid or the token
// may not go there, and with signedOut when `auth` is set and there is no token.
Result<HttpCall> buildRequest(std::string_view base, std::string method, std::string_view path,
                              std::optional<std::string> body, bool auth, double timeout);

// A reply outside 2xx: server(status, its "error" text when the body is a JSON object of texts
// holding one, else "error " + status).
Fail serverFailure(int status, std::string_view body);

struct WholeReply {
  int status = 0;
  std::string body;
};

// Sends `call` and gathers the whole body; `done` runs on the network thread.
Exchange fetchWhole(HttpCall call, std::function<void(Result<WholeReply>)> done);

}  // namespace orvak::account
