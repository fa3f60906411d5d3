// How a request to the maker's service can fail, and the sentences the user hears for it.
//
// `Fail` is the service's own answer (a status outside 2xx, or no usable token); `PlatformFail`
// is everything the platform reports instead of a reply: the transport, a time-out, a cancel, a
// body that does not decode or is larger than the request reads. The two are kept apart so
// `describe` and `explain` can tell a refusal from a connection that never came.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace orvak::account {

struct Fail {
  enum class Case { server, signedOut };
  Case which = Case::signedOut;
  int status = 0;  // the HTTP status, 0 when there was none
  std::string message;

  static Fail server(int status, std::string message) { return {Case::server, status, std::move(message)}; }
  static Fail signedOut() { return {}; }
  bool isSignedOut() const { return which == Case::signedOut; }
  bool operator==(const Fail&) const = default;
  // As the log writes it: signedOut, or server(500, "text").
  std::string text() const;
};

struct PlatformFail {
  enum class Kind { transport, timedOut, cancelled, undecodable, tooLarge };
  Kind kind = Kind::transport;
  std::string description;
  bool operator==(const PlatformFail&) const = default;
};

using Failure = std::variant<Fail, PlatformFail>;

// The failure as a log line names it: `Fail::text`, or the platform's description.
std::string failureText(const Failure& f);
inline const Fail* asFail(const Failure& f) { return std::get_if<Fail>(&f); }
inline bool isCancelled(const Failure& f) {
  const auto* p = std::get_if<PlatformFail>(&f);
  return p != nullptr && p->kind == PlatformFail::Kind::cancelled;
}

// The sentence for a failure of the account's own operations (sign-in link, activation):
// "Signed out", the server's message with its first character upper-cased, or the connection
// sentence.
std::string describe(const Failure& f);
// The sentence spoken or shown when a question to the service fails. Never the server's text.
std::string explain(const Failure& f);

// A value or the failure that took its place.
template <class T>
class Result {
 public:
  Result(T value) : v_(std::move(value)) {}  // NOLINT: implicit on purpose
  Result(Fail f) : v_(Failure(std::move(f))) {}  // NOLINT
  Result(PlatformFail f) : v_(Failure(std::move(f))) {}  // NOLINT
  Result(Failure f) : v_(std::move(f)) {}  // NOLINT

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  const T& value() const { return std::get<0>(v_); }
  T& value() { return std::get<0>(v_); }
  const T* operator->() const { return &value(); }
  const Failure& failure() const { return std::get<1>(v_); }

 private:
  std::variant<T, Failure> v_;
};

}  // namespace orvak::account
