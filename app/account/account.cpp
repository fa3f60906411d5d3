#include "app/account/account.h"

#include "app/account/ask_stream.h"
#include "app/account/service_address.h"
#include "app/account/service_request.h"
#include "app/account/sign_in_link.h"
#include "core/base/json.h"
#include "core/base/log.h"
#include "platform/bundle.h"
#include "platform/defaults.h"
#include "speech/keys.h"

namespace orvak {

namespace {

constexpr const char* kBuiltInBase = "https://orvak.app";
constexpr std::uint64_t kNanos = 1'000'000'000ULL;

platform::Defaults& defaults() { return *platform::Defaults::standard(); }

std::optional<Account::Info> cachedInfo() {
  const auto data = defaults().data(Account::kInfoKey);
  if (!data) return std::nullopt;
  try {
    return json::decode<Account::Info>(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
  } catch (const std::exception&) {
    return std::nullopt;  // someone else's value, or a damaged one: left as it is
  }
}

// True while an e-mailed sign-in link may be acted on.
bool signInPending() {
  const auto requested = defaults().date(Account::kSignInRequestedKey);
  if (!requested) return false;
  const std::int64_t age = dispatch::wallMillis() - requested->time_since_epoch().count();
  return age >= 0 && static_cast<double>(age) <= Account::kSignInWindowSeconds * 1000.0;
}

// The token an authorised request carries.
std::optional<std::string> bearerOf(const account::HttpCall& call) {
  static const std::string kBearer = "Bearer ";
  for (const auto& [name, value] : call.headers) {
    if (name == "authorization" && value.rfind(kBearer, 0) == 0) return value.substr(kBearer.size());
  }
  return std::nullopt;
}

}  // namespace

std::string Account::base() {
  if (auto v = platform::Defaults::standard()->text("apiBase")) return *v;
  const auto entry = platform::bundle::info(platform::bundle::kApi);
  if (const auto* v = std::get_if<std::string>(&entry)) return *v;
  return kBuiltInBase;
}

std::optional<VoiceProxy> Account::voiceProxy() {
  if (!Keys::get("account")) return std::nullopt;
  const std::string address = base() + "/api/voice/stream";
  if (!account::mayCarryToken(address)) return std::nullopt;
  return VoiceProxy{address, [] { return Keys::get("account"); }};
}

std::shared_ptr<Account> Account::make() { return std::shared_ptr<Account>(new Account()); }

Account::Account() : info_(cachedInfo()), queue_(dispatch::makeQueue("orvak.account")) {}

Account::~Account() = default;

void Account::onMain(std::function<void(Account&)> task) {
  dispatch::main().async([weak = weak_from_this(), task = std::move(task)] {
    if (auto self = weak.lock()) task(*self);
  });
}

int Account::addObserver(std::function<void()> observer) {
  return static_cast<int>(observers_.add(std::move(observer)));
}

void Account::removeObserver(int token) { observers_.remove(static_cast<Observers<>::Token>(token)); }

void Account::publishInfo(std::optional<Info> info) {
  info_ = std::move(info);
  if (onChange) onChange();
  observers_.notify();
}

void Account::publishMessage(const std::string& text) {
  message_ = text;
  if (onMessage) onMessage(text);
  observers_.notify();
}

void Account::set(const Info& info) {
  std::lock_guard lock(storeMutex_);
  setLocked(info);
}

void Account::clear() {
  std::lock_guard lock(storeMutex_);
  clearLocked();
}

void Account::setLocked(const Info& info) {
  try {
    const std::string encoded = json::encode(info);
    defaults().set(kInfoKey, platform::Data(encoded.begin(), encoded.end()));
  } catch (const std::exception&) {
    defaults().remove(kInfoKey);
  }
  onMain([info](Account& a) { a.publishInfo(info); });
}

void Account::clearLocked() {
  Keys::remove("account");
  defaults().remove(kInfoKey);
  onMain([](Account& a) { a.publishInfo(std::nullopt); });
}

std::string Account::signedOutMessage(const std::optional<std::string>& tokenSource) {
  if (!tokenSource) return "Signed out";
  if (tokenSource->starts_with("environment")) {
    return "Still signed in: the account token comes from " + Keys::envName("account") + ".";
  }
  return "Couldn't remove the account token from the keyring.";
}

void Account::say(const std::string& text) {
  onMain([text](Account& a) { a.publishMessage(text); });
}

std::optional<std::uint64_t> Account::lastRefresh() const {
  const std::uint64_t v = lastRefresh_.load();
  if (v == 0) return std::nullopt;
  return v;
}

void Account::refreshIfStale() {
  if (!Keys::get("account")) return;
  const auto last = lastRefresh();
  if (last) {
    const std::uint64_t now = dispatch::monotonicNanos();
    const std::uint64_t since = now > *last ? now - *last : 0;
    if (since <= static_cast<std::uint64_t>(kStaleSeconds) * kNanos) return;
  }
  refresh();
}

Account::Exchange Account::refreshThen(std::function<void()> finished) {
  auto done = [finished](Account&) {
    if (finished) finished();
  };
  if (!Keys::get("account")) {
    if (finished) onMain([finished](Account&) { finished(); });
    return {};
  }
  lastRefresh_.store(std::max<std::uint64_t>(dispatch::monotonicNanos(), 1));
  auto request = account::buildRequest(base(), "GET", "/api/me", std::nullopt, true, kBounds);
  std::weak_ptr<Account> weak = weak_from_this();
  auto apply = [weak, done](std::string token, Result<Info> reply) {
    if (auto self = weak.lock()) {
      self->queue_->async([weak, done, token = std::move(token), reply = std::move(reply)] {
        if (auto self = weak.lock()) {
          self->applyRefresh(token, reply);
          self->onMain(done);
        }
      });
    }
  };
  if (!request) {
    apply("", request.failure());
    return {};
  }
  const std::string token = bearerOf(request.value()).value_or("");
  return account::fetchWhole(std::move(request.value()), [apply, token](Result<account::WholeReply> reply) {
    if (!reply) return apply(token, reply.failure());
    const int status = reply->status;
    if (status == 401) return apply(token, Fail::signedOut());
    if (status < 200 || status > 299) return apply(token, account::serverFailure(status, reply->body));
    try {
      apply(token, json::decode<Info>(reply->body));
    } catch (const std::exception& e) {
      apply(token, PlatformFail{PlatformFail::Kind::undecodable, std::string("undecodable reply: ") + e.what()});
    }
  });
}

void Account::applyRefresh(const std::string& sentToken, const Result<Info>& reply) {
  std::lock_guard lock(storeMutex_);
  const auto* fail = reply ? nullptr : account::asFail(reply.failure());
  if (!reply && (fail == nullptr || !fail->isSignedOut())) {
    Log::write("account: refresh failed: " + account::failureText(reply.failure()));
    return;
  }
  // Signed out or signed in as someone else meanwhile: this answer is about an account that is
  // no longer this computer's.
  const auto now = Keys::get("account");
  if (sentToken.empty() ? now.has_value() : now != sentToken) return;
  if (reply) {
    setLocked(reply.value());
  } else {
    clearLocked();
  }
}

Account::Exchange Account::emailLink(const std::string& address) {
  std::weak_ptr<Account> weak = weak_from_this();
  return call<account::SignInReply>(
      "POST", "/api/signin", json::Json{{"email", address}}, false, kBounds, [weak](Result<account::SignInReply> r) {
        auto self = weak.lock();
        if (!self) return;
        if (!r) return self->say(describe(r.failure()));
        if (r->sent) {
          defaults().set(kSignInRequestedKey, platform::Date(std::chrono::milliseconds(dispatch::wallMillis())));
          self->say("Check your email for a sign-in link.");
        } else if (r->reason) {
          self->say("Can't email a link: " + *r->reason + ".");
        } else {
          self->say("Couldn't send the link.");
        }
      });
}

Account::LinkOutcome Account::handleLink(const std::string& url, std::function<void()> finished) {
  const auto token = account::activationToken(url);
  if (!token) return LinkOutcome::ignored;
  if (!signInPending()) {
    // Anyone can open a link of our scheme; only one the user asked for may sign this computer in.
    Log::write("account: sign-in link ignored (no sign-in pending)");
    if (!Keys::get("account")) {
      say("Ask for a new sign-in link in Orvak's settings.");
    } else if (info_ && !info_->email.empty()) {
      // An old link opened again after signing in: nothing to ask for.
      say("Already signed in as " + info_->email + ".");
    } else {
      say("Already signed in.");
    }
    if (finished) onMain([finished](Account&) { finished(); });
    return LinkOutcome::notPending;
  }
  if (activating_.exchange(true)) {
    Log::write("account: sign-in link ignored (an activation is under way)");
    if (finished) onMain([finished](Account&) { finished(); });
    return LinkOutcome::busy;
  }
  activate(*token, [weak = weak_from_this(), finished = std::move(finished)] {
    if (auto self = weak.lock()) self->activating_ = false;
    if (finished) finished();
  });
  return LinkOutcome::activating;
}

Account::Exchange Account::activate(const std::string& linkToken, std::function<void()> finished) {
  std::weak_ptr<Account> weak = weak_from_this();
  const json::Json body{{"token", linkToken}, {"device", account::thisDeviceName()}};
  auto applied = [weak, finished](Result<account::ActivateReply> r) {
    auto self = weak.lock();
    if (!self) return;
    self->queue_->async([weak, finished, r = std::move(r)] {
      if (auto self = weak.lock()) {
        self->applyActivation(r);
        if (finished) self->onMain([finished](Account&) { finished(); });
      }
    });
  };
  auto request = account::buildRequest(base(), "POST", "/api/activate", json::dump(body), false, kBounds);
  if (!request) {
    applied(request.failure());
    return {};
  }
  return account::fetchWhole(std::move(request.value()), [applied](Result<account::WholeReply> reply) {
    if (!reply) return applied(reply.failure());
    const int status = reply->status;
    if (status < 200 || status > 299) return applied(account::serverFailure(status, reply->body));
    try {
      applied(json::decode<account::ActivateReply>(reply->body));
    } catch (const std::exception& e) {
      applied(PlatformFail{PlatformFail::Kind::undecodable, std::string("undecodable reply: ") + e.what()});
    }
  });
}

void Account::applyActivation(const Result<account::ActivateReply>& reply) {
  if (!reply) {
    say(describe(reply.failure()));
    Log::write("account: activate failed: " + account::failureText(reply.failure()));
    return;
  }
  std::lock_guard lock(storeMutex_);
  if (auto refused = Keys::save("account", reply->deviceToken)) {
    say(*refused);
    return;
  }
  defaults().remove(kSignInRequestedKey);
  setLocked(reply->account);
  say("Signed in as " + reply->account.email);
  Log::write("account: signed in (device token saved)");
}

void Account::signOut(std::function<void()> finished) {
  std::weak_ptr<Account> weak = weak_from_this();
  call<json::Json>("POST", "/api/signout", json::Json::object(), true, kBounds, [weak, finished](Result<json::Json>) {
    auto self = weak.lock();
    if (!self) return;
    self->queue_->async([weak, finished] {
      auto self = weak.lock();
      if (!self) return;
      self->clear();
      // A token the key store still finds (from the environment, or one the keyring kept) signs
      // the next start in again: say so rather than "Signed out".
      self->say(signedOutMessage(Keys::source("account")));
      if (finished) self->onMain([finished](Account&) { finished(); });
    });
  });
}

Account::Exchange Account::askStream(const account::AskQuestion& question,
                                     std::function<void(const std::string&)> onText,
                                     std::function<void(Result<AskReply>)> done) {
  auto deliver = [done = std::move(done)](Result<AskReply> r) {
    dispatch::main().async([done, r = std::move(r)] { done(r); });
  };
  auto request =
      account::buildRequest(base(), "POST", "/api/ask", json::dump(account::askBody(question)), true, askBounds);
  if (!request) {
    deliver(request.failure());
    return {};
  }
  auto reader = std::make_shared<account::AskStreamReader>(std::move(onText));
  account::HttpReader http;
  http.onData = [reader, deliver](int status, std::string_view bytes) {
    if (reader->data(status, bytes)) return true;
    deliver(*reader->outcome());
    return false;
  };
  http.onEnd = [reader, deliver](int status, std::optional<PlatformFail> failure) {
    if (auto outcome = reader->end(status, std::move(failure))) deliver(std::move(*outcome));
  };
  return account::sendHttp(std::move(request.value()), std::move(http));
}

Account::Exchange Account::libraryAsk(const account::LibraryBody& body, AnswerDone done) {
  return call<account::LibraryAnswer>("POST", "/api/library/ask", json::Json(body), true, libraryAskBounds,
                                      std::move(done));
}

Account::Exchange Account::libraryDocument(const account::LibraryBody& body, DocumentDone done) {
  return call<account::LibraryDoc>("POST", "/api/library/document", json::Json(body), true, libraryDocumentBounds,
                                   std::move(done));
}

Account::Exchange Account::callJson(const std::string& method, const std::string& path, std::optional<json::Json> body,
                                    bool auth, account::Bounds bounds, std::function<void(Result<json::Json>)> done) {
  std::optional<std::string> text;
  if (body) text = json::dump(*body);
  auto request = account::buildRequest(base(), method, path, std::move(text), auth, bounds);
  if (!request) {
    done(request.failure());
    return {};
  }
  return account::fetchWhole(
      std::move(request.value()), [auth, done = std::move(done)](Result<account::WholeReply> reply) {
        if (!reply) return done(reply.failure());
        const int status = reply->status;
        if (status == 401 && auth) return done(Fail::signedOut());
        if (status < 200 || status > 299) return done(account::serverFailure(status, reply->body));
        try {
          done(json::parse(reply->body));
        } catch (const std::exception& e) {
          done(PlatformFail{PlatformFail::Kind::undecodable, std::string("undecodable reply: ") + e.what()});
        }
      });
}

}  // namespace orvak
