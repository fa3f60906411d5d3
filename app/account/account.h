// The client of the maker's service: whether this computer is signed in and what the service says
// about the account, the sign-in by e-mailed link, and the one request path every call shares.
//
// Being signed in means the key store holds the device token ("account"); `info` is only what the
// service last said, cached under the defaults key "accountInfo" so the account shows at start-up.
// Every request reads the token afresh, so a sign-in or sign-out counts from the next request on.
//
// Requests run on the network thread; what they change in the key store and the defaults is
// written on the account's own queue, and `info`, `message`, the callbacks and the observers
// change only on the main queue, in the order the changes were made. Requests return an
// `Exchange` that cancels them; a cancelled request completes with the cancellation failure.
//
// Made with `Account::make` (work in flight holds it weakly); destroyed on the main queue.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "app/account/account_client.h"
#include "app/account/library_service.h"
#include "app/account/service_fail.h"
#include "app/account/service_http.h"
#include "app/account/service_records.h"
#include "app/account/service_request.h"
#include "app/account/voice_list.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/observers.h"
#include "speech/vendor.h"

namespace orvak {

class Account final : public AccountClient, public LibraryService, public std::enable_shared_from_this<Account> {
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

  // Reads the cached "accountInfo" once: a record that does not decode is ignored and left in place.
  static std::shared_ptr<Account> make();
  ~Account() override;
  Account(const Account&) = delete;
  Account& operator=(const Account&) = delete;

  // ---- Published state (main queue) ----

  // The account as the service last reported it (or as cached); none while signed out.
  const std::optional<Info>& info() const { return info_; }
  // The last account message; replaced by the next, never cleared.
  const std::optional<std::string>& message() const { return message_; }
  // Views that show the account: `observer` runs on the main queue after `info` or `message`
  // changed. The returned number takes it off again.
  int addObserver(std::function<void()> observer);
  void removeObserver(int token);

  // ---- Refreshing ----

  // GET "/api/me" with the device token; nothing without one. A 2xx record is `set`; a 401 (or a
  // token gone before sending) is `clear`; other failures keep `info` and write one log line. A
  // reply is applied only while the key store still holds the token it was asked with, so a reply
  // that arrives after a sign-out or another sign-in changes nothing. `finished` (optional) runs
  // on the main queue once the outcome is published.
  void refresh() override { refreshThen({}); }
  Exchange refreshThen(std::function<void()> finished);
  std::optional<std::uint64_t> lastRefresh() const override;
  // Refreshes when a token exists and the last refresh started more than an hour ago.
  void refreshIfStale();

  // ---- Signing in and out ----

  // POST "/api/signin" {"email": address}: says whether a link was sent. A sent link opens a
  // sign-in: links are acted on for 24 hours after it ("signInRequestedAt").
  Exchange emailLink(const std::string& address);

  enum class LinkOutcome { ignored, notPending, busy, activating };
  // An "orvak://activate?token=..." link: scheme and host exactly as written, the first "token"
  // item, which must have a value. Only while a sign-in is pending does it activate; otherwise it
  // is logged and the user is told to ask for a new link. One link activates at a time: any
  // other that comes while its request is under way is dropped (busy) with a log line, so a
  // flood of links makes one request, not one each. `finished` runs on the main queue either way.
  void handle(const std::string& url) override { handleLink(url); }
  LinkOutcome handleLink(const std::string& url, std::function<void()> finished = {});
  // POST "/api/activate" {"token", "device"} without the device token; on success the new device
  // token is saved, `info` set and "Signed in as ..." said; a failure is said and logged and
  // changes nothing. `finished` (optional) runs on the main queue after the outcome is said.
  Exchange activate(const std::string& linkToken, std::function<void()> finished = {});
  // POST "/api/signout" {} with the token (reply and failure ignored), then `clear`, then
  // `signedOutMessage` of where the key store still finds a token. `finished` (optional) runs on
  // the main queue after the message.
  void signOut(std::function<void()> finished = {});
  // "Signed out" when no token is left, else why this computer is still signed in.
  static std::string signedOutMessage(const std::optional<std::string>& tokenSource);

  // Caches `info` under "accountInfo", then on the main queue publishes it and calls `onChange`.
  void set(const Info& info);
  // Removes the device token and "accountInfo", then on the main queue sets `info` to none and
  // calls `onChange`, so whatever follows the account (the voice proxy) lets go of it too.
  void clear();
  // On the main queue: `message` := text, then `onMessage`.
  void say(const std::string& text);

  // The defaults keys this client keeps.
  static constexpr const char* kInfoKey = "accountInfo";
  static constexpr const char* kSignInRequestedKey = "signInRequestedAt";
  // How long a requested sign-in link may be acted on.
  static constexpr double kSignInWindowSeconds = 24 * 3600;
  static constexpr double kStaleSeconds = 3600;
  // Sign-in link, activation, refresh and sign-out.
  static constexpr account::Bounds kBounds = account::bounds::kAccount;

  // The service's base address, to which paths are appended as they are: the user-defaults text
  // "apiBase" when present (even empty), else the bundle entry "OrvakAPI", else the built-in one.
  static std::string base();

  // The proxy for the natural voice: `base()` + "/api/voice/stream` with a token source that asks
  // the keys for "account" anew each time. None when no account token is stored or the address
  // may not carry the token (not https, nor http on this machine). The controller sets it on
  // launch and whenever the account changes.
  static std::optional<VoiceProxy> voiceProxy();

  // One JSON request: `method` `path` on `base()`, `body` (when given) as its JSON text, the token
  // when `auth` is set, within `bounds` (a reply past them is a timedOut or tooLarge failure). `done` gets the 2xx reply decoded
  // as `Reply`, or the failure: signedOut (no token; a 401 to an authorised request),
  // server(status, message), or the platform's failure (undecodable bodies included).
  template <class Reply>
  static Exchange call(const std::string& method, const std::string& path, std::optional<json::Json> body, bool auth,
                       account::Bounds bounds, std::function<void(Result<Reply>)> done) {
    return callJson(method, path, std::move(body), auth, bounds, [done = std::move(done)](Result<json::Json> reply) {
      Result<Reply> out = decodeReply<Reply>(reply);
      dispatch::main().async([done, out = std::move(out)] { done(out); });
    });
  }

  // ---- Questions ----

  // POST "/api/ask" with `question` (see account::askBody) and the device token, its answer read
  // as it streams (app/account/ask_stream.h). `onText` gets each piece of the answer on the
  // network thread, in order, never on the main queue; `done` gets the final reply or the
  // failure on the main queue, once. No token: signedOut; an address that cannot be formed:
  // server(0, "bad URL"); both before anything is sent.
  Exchange askStream(const account::AskQuestion& question, std::function<void(const std::string&)> onText,
                     std::function<void(Result<AskReply>)> done) override;
  // How long a question may take and how much of its answer is read; set before asking.
  account::Bounds askBounds = account::bounds::kAsk;

  // "/api/library/ask" and "/api/library/document" through `call`, signed in.
  Exchange libraryAsk(const account::LibraryBody& body, AnswerDone done) override;
  Exchange libraryDocument(const account::LibraryBody& body, DocumentDone done) override;
  // How long the library calls may take and how much they read; set before they are made.
  account::Bounds libraryAskBounds = account::bounds::kLibraryAnswer;
  account::Bounds libraryDocumentBounds = account::bounds::kLibraryDocument;

  // The sentence for a failure of the account's own operations; see account::describe.
  static std::string describe(const Failure& f) { return account::describe(f); }
  // The sentence for a failed question; see account::explain.
  static std::string explain(const Failure& f) { return account::explain(f); }

 private:
  Account();
  // Runs `task` with this account on the main queue, if it still exists then.
  void onMain(std::function<void(Account&)> task);
  // `set` and `clear` with `storeMutex_` held.
  void setLocked(const Info& info);
  void clearLocked();
  void publishInfo(std::optional<Info> info);
  void publishMessage(const std::string& text);
  void applyRefresh(const std::string& sentToken, const Result<Info>& reply);
  void applyActivation(const Result<account::ActivateReply>& reply);

  // `call` up to the parsed JSON reply; `done` runs on the network thread, or at once when the
  // request is never sent.
  static Exchange callJson(const std::string& method, const std::string& path, std::optional<json::Json> body,
                           bool auth, account::Bounds bounds, std::function<void(Result<json::Json>)> done);

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

  // Main queue only.
  std::optional<Info> info_;
  std::optional<std::string> message_;
  Observers<> observers_;

  // True from a link's activation request until its outcome is applied.
  std::atomic<bool> activating_{false};
  // Monotonic nanoseconds of the last refresh's start; 0 before the first.
  std::atomic<std::uint64_t> lastRefresh_{0};
  // Held while the key store and the cached record change together, so a late refresh cannot
  // write back what a sign-out just removed.
  std::mutex storeMutex_;
  std::shared_ptr<dispatch::Queue> queue_;
};

}  // namespace orvak
