#include "app/account/ask_stream.h"

#include "app/account/service_http.h"
#include "app/account/service_request.h"
#include "core/base/json.h"

namespace orvak::account {

bool AskStreamReader::data(int status, std::string_view bytes) {
  if (outcome_) return false;
  if (status == 401) {
    finish(Fail::signedOut());
    return false;
  }
  if (!isSuccess(status)) {
    // A failure's body matters only for its "error": never wait for more than that needs.
    const std::size_t room = kMaxFailureBody - pending_.size();
    pending_.append(bytes.substr(0, room));
    if (pending_.size() < kMaxFailureBody) return true;
    finish(serverFailure(status, pending_));
    return false;
  }
  while (!bytes.empty() && !outcome_) {
    const auto newline = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, newline);
    if (!overlong_) {
      if (pending_.size() + piece.size() > kMaxLine) {
        overlong_ = true;
        pending_.clear();
        pending_.shrink_to_fit();
      } else {
        pending_.append(piece);
      }
    }
    if (newline == std::string_view::npos) break;
    bytes.remove_prefix(newline + 1);
    if (!overlong_) line(pending_);
    pending_.clear();
    overlong_ = false;
  }
  return !outcome_;
}

std::optional<Result<AskReply>> AskStreamReader::end(int status, std::optional<PlatformFail> failure) {
  if (outcome_) return std::nullopt;
  if (failure && failure->kind == PlatformFail::Kind::tooLarge && isSuccess(status)) {
    // The answer outgrew what a question reads: what was spoken stays, the rest never comes.
    finish(Fail::server(502, "the answer was cut off"));
  } else if (failure) {
    finish(std::move(*failure));
  } else if (status == 401) {
    finish(Fail::signedOut());
  } else if (!isSuccess(status)) {
    finish(serverFailure(status, pending_));
  } else {
    if (!overlong_ && !pending_.empty()) line(pending_);
    finish(Fail::server(502, "the answer was cut off"));
  }
  return outcome_;
}

void AskStreamReader::line(std::string_view text) {
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  Line l;
  try {
    l = json::decode<Line>(text);
  } catch (const std::exception&) {
    return;  // an empty line, a comment, half a line: not one of ours
  }
  if (l.t && onText_) onText_(*l.t);
  if (l.error) return finish(Fail::server(502, *l.error));
  if (l.done.value_or(false)) finish(AskReply{l.answer.value_or(""), l.actions, l.refused});
}

}  // namespace orvak::account
