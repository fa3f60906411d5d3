// The client of the maker's service as the controller uses it: refreshing the account, the links
// opened in the "orvak" scheme, questions about the page, and the two callbacks it reports through. `Account` is the
// real one; the controller's tests use a tracing double. Main queue.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/account/service_fail.h"
#include "app/account/service_http.h"
#include "app/account/service_records.h"

namespace orvak {

class AccountClient {
 public:
  virtual ~AccountClient() = default;
  // Reloads the account's information in the background; results are published on the main queue.
  virtual void refresh() = 0;
  // When the last refresh started, in monotonic nanoseconds (core/base/dispatch.h); none before the
  // first.
  virtual std::optional<std::uint64_t> lastRefresh() const = 0;
  // A link opened in the "orvak" scheme (a sign-in link).
  virtual void handle(const std::string& url) = 0;
  // A question about the page, its answer streamed: `onText` gets each piece on the network thread,
  // `done` the final reply or the failure on the main queue. See `Account::askStream`.
  virtual account::Exchange askStream(const account::AskQuestion& question,
                                      std::function<void(const std::string&)> onText,
                                      std::function<void(account::Result<account::AskReply>)> done) = 0;
  // A short message for the user (shown on the pill). Main queue.
  std::function<void(const std::string&)> onMessage;
  // The account changed: signed in, signed out, or new information. Main queue.
  std::function<void()> onChange;
};

}  // namespace orvak
