// The steps every request to the maker's service shares: forming the address and headers, and
// turning a reply outside 2xx into the service's failure.
#pragma once

#include <cstddef>
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
                              std::optional<std::string> body, bool auth, Bounds bounds);

// What each kind of request may take. The time-outs (seconds of silence) are the service's own;
// the deadlines leave a slow but working service room to finish, and the sizes are many times
// what each reply holds, so only a broken or hostile server meets them. Failure bodies are read
// only as far as their "error" needs (Bounds::maxFailureBody).
namespace bounds {
inline constexpr std::size_t kKiB = 1024;
inline constexpr std::size_t kMiB = 1024 * kKiB;
// Sign-in link, activation, the account record, sign-out: a few short texts.
inline constexpr Bounds kAccount{.timeout = 15, .deadline = 45, .maxBody = 64 * kKiB};
// The streamed answer to a page question: spoken as it arrives, so a long one is fine.
inline constexpr Bounds kAsk{.timeout = 30, .deadline = 180, .maxBody = 8 * kMiB};
// A library answer (its text and cited numbers) and a written document (title and paragraphs).
inline constexpr Bounds kLibraryAnswer{.timeout = 40, .deadline = 120, .maxBody = 1 * kMiB};
inline constexpr Bounds kLibraryDocument{.timeout = 60, .deadline = 180, .maxBody = 4 * kMiB};
// The voice list, and one voice's sample (the player plays two minutes of one at most: that much
// uncompressed stereo at 48 kHz is about 23 MB).
inline constexpr Bounds kVoiceList{.timeout = 15, .deadline = 45, .maxBody = 2 * kMiB};
inline constexpr Bounds kVoiceSample{.timeout = 20, .deadline = 60, .maxBody = 32 * kMiB};
// Feedback and crash reports: only the status is read.
inline constexpr Bounds kFeedback{.timeout = 20, .deadline = 60, .maxBody = 64 * kKiB};
}  // namespace bounds

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
