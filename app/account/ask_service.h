// Questions about the page being read, answered by the maker's service as a stream: the one call
// spoken answers make, behind an interface so they can be tested against a scripted service and
// run signed out until the streamed client is in place.
#pragma once

#include <functional>
#include <string>

#include "app/account/service_fail.h"
#include "app/account/service_http.h"
#include "app/account/service_records.h"

namespace orvak {

struct PageQuestion {
  std::string kind;      // "ask", "summary" or "section"
  std::string question;  // the asked text; empty for summaries
  std::string text;      // the page
  std::string at;        // the sentence at the reading position
  std::string focus;     // the section around it
  std::string title;
  bool before = false;  // asked before any reading started
  bool operator==(const PageQuestion&) const = default;
};

class AskService {
 public:
  using Piece = std::function<void(std::string text)>;
  using Done = std::function<void(account::Result<account::AskReply>)>;

  virtual ~AskService() = default;
  // Streams the answer: `onText` gets each piece in order on the request's own thread (never
  // the main queue); `done` runs once, after the last piece, on any thread, with the final reply
  // or the failure (signed out, a service status, the transport). The handle cancels.
  virtual account::Exchange askStream(const PageQuestion& question, Piece onText, Done done) = 0;
};

// The service as a signed-out user reaches it: every question fails as signed out, from the
// global queue.
class SignedOutAskService final : public AskService {
 public:
  account::Exchange askStream(const PageQuestion& question, Piece onText, Done done) override;
};

}  // namespace orvak
