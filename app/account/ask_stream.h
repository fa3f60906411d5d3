// Reading the streamed answer of "/api/ask": one JSON `Line` per text line, handed on as it comes.
//
// A 2xx body is split at "\n" (a "\r" before it dropped; the text after the last line end is a
// line too). Each line that decodes gives its "t" to `onText`, then ends the question on "error"
// (server(502, text)) or on "done" true (the reply); lines that do not decode are skipped, and so
// is a line longer than `kMaxLine`, whose bytes are dropped as they arrive. A body that ends
// without "done", or outgrows the request's byte limit (the tooLarge failure of a 2xx reply), is
// server(502, "the answer was cut off"). Any other status reads at most
// `kMaxFailureBody` bytes of the body and stops: server(status, its "error" or "error " + status);
// 401 is signedOut.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/account/service_fail.h"
#include "app/account/service_records.h"

namespace orvak::account {

class AskStreamReader {
 public:
  static constexpr std::size_t kMaxLine = 1024 * 1024;
  static constexpr std::size_t kMaxFailureBody = 4097;

  explicit AskStreamReader(std::function<void(const std::string&)> onText) : onText_(std::move(onText)) {}

  // A piece of the body; false once the outcome is known and nothing more need be read.
  bool data(int status, std::string_view bytes);
  // The body ended (`failure`: how the transport broke off). Returns the outcome, unless `data`
  // already gave it.
  std::optional<Result<AskReply>> end(int status, std::optional<PlatformFail> failure);
  // The outcome, once known.
  const std::optional<Result<AskReply>>& outcome() const { return outcome_; }

 private:
  void line(std::string_view text);
  void finish(Result<AskReply> r) {
    if (!outcome_) outcome_.emplace(std::move(r));
  }

  std::function<void(const std::string&)> onText_;
  std::optional<Result<AskReply>> outcome_;
  std::string pending_;    // the line read so far
  bool overlong_ = false;  // the line read so far passed kMaxLine: dropped up to its end
};

}  // namespace orvak::account
