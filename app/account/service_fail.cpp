#include "app/account/service_fail.h"

#include "core/base/json.h"
#include "core/text/text.h"

namespace orvak::account {

std::string Fail::text() const {
  if (which == Case::signedOut) return "signedOut";
  return "server(" + std::to_string(status) + ", " + json::dump(json::Json(message)) + ")";
}

std::string failureText(const Failure& f) {
  if (const auto* fail = asFail(f)) return fail->text();
  return std::get<PlatformFail>(f).description;
}

std::string describe(const Failure& f) {
  const auto* fail = asFail(f);
  if (fail == nullptr) return "Can't reach Orvak right now. Check your connection.";
  if (fail->isSignedOut()) return "Signed out";
  const std::string_view first = text::graphemePrefix(fail->message, 1);
  return text::uppercase(first) + fail->message.substr(first.size());
}

std::string explain(const Failure& f) {
  const auto* fail = asFail(f);
  if (fail == nullptr) return "I can't reach Orvak right now. Check your connection.";
  if (fail->isSignedOut()) return "Sign in to Orvak to ask about what you're reading.";
  if (fail->status == 429) return "Lots of questions right now. Ask me again in a moment.";
  if (fail->status == 503) return "Questions aren't available just yet.";
  return "I couldn't answer that just now.";
}

}  // namespace orvak::account
