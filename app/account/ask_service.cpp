#include "app/account/ask_service.h"

#include "core/base/dispatch.h"

namespace orvak {

account::Exchange SignedOutAskService::askStream(const PageQuestion&, Piece, Done done) {
  dispatch::global().async([done = std::move(done)] {
    if (done) done(account::Fail::signedOut());
  });
  return {};
}

}  // namespace orvak
