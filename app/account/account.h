// The client of the maker's service: where the service is, one request path that every call
// shares, and what a failure means to the user.
//
// Every request reads the device token afresh from the key store (`Keys::get("account")`), so a
// sign-in or sign-out counts from the next request on. Requests run on the network thread;
// their results reach the caller's completion on the main queue (core/base/dispatch.h). Each
// returns an `Exchange` that cancels it; a cancelled request completes with the cancellation
// failure.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "app/account/service_fail.h"
#include "app/account/service_http.h"
#include "app/account/service_records.h"
#include "app/account/voice_list.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "speech/inworld_engine.h"

namespace orvak {

class Account {
 public:
  using Info = account::Info;
  using Fail = account::Fail;
  using PlatformFail = account::PlatformFail;
  using Failure = account::Failure;
  template <class T>
  using Result = account::Result<T>;
  using Exchange = account::Exchange;
  using AskAction = account::AskAction;
  using AskReply = account::AskReply;
  using LibraryItem = account::LibraryItem;
  using LibraryAnswer = account::LibraryAnswer;
  using LibraryDoc = account::LibraryDoc;

  Account() = default;
  Account(const Account&) = delete;
  Account& operator=(const Account&) = delete;

  // The service's base address, to which paths are appended as they are: the user-defaults text
  // "apiBase" when present (even empty), else the bundle entry "OrvakAPI", else the built-in one.
  static std::string base();

  // The proxy for the natural voice: `base()` + "/api/voice/stream` with a token source that asks
  // the keys for "account" anew each time. None when no account token is stored or the address
  // may not carry the token (not https, nor http on this machine). The controller sets it on
  // launch and whenever the account changes.
  static std::optional<InworldEngine::Proxy> voiceProxy();

  // One JSON request: `method` `path` on `base()`, `body` (when given) as its JSON text, the token
  // when `auth` is set, `timeout` seconds of silence at most. `done` gets the 2xx reply decoded
  // as `Reply`, or the failure: signedOut (no token; a 401 to an authorised request),
  // server(status, message), or the platform's failure (undecodable bodies included).
  template <class Reply>
  Exchange call(const std::string& method, const std::string& path, std::optional<json::Json> body, bool auth,
                double timeout, std::function<void(Result<Reply>)> done) const {
    return callJson(method, path, std::move(body), auth, timeout,
                    [done = std::move(done)](Result<json::Json> reply) {
                      Result<Reply> out = decodeReply<Reply>(reply);
                      dispatch::main().async([done, out = std::move(out)] { done(out); });
                    });
  }

  // The sentence for a failure of the account's own operations; see account::describe.
  static std::string describe(const Failure& f) { return account::describe(f); }
  // The sentence for a failed question; see account::explain.
  static std::string explain(const Failure& f) { return account::explain(f); }

 private:
  // `call` up to the parsed JSON reply; `done` runs on the network thread, or at once when the
  // request is never sent.
  static Exchange callJson(const std::string& method, const std::string& path, std::optional<json::Json> body,
                           bool auth, double timeout, std::function<void(Result<json::Json>)> done);

  template <class Reply>
  static Result<Reply> decodeReply(const Result<json::Json>& reply) {
    if (!reply) return reply.failure();
    if constexpr (std::is_same_v<Reply, json::Json>) {
      return reply.value();
    } else {
      try {
        return reply.value().get<Reply>();
      } catch (const std::exception& e) {
        return PlatformFail{PlatformFail::Kind::undecodable, std::string("undecodable reply: ") + e.what()};
      }
    }
  }
};

}  // namespace orvak
