#include "app/account/library_service.h"

#include "app/account/account.h"

namespace orvak {

account::Exchange AccountLibraryService::libraryAsk(const account::LibraryBody& body, AnswerDone done) {
  return Account::call<account::LibraryAnswer>("POST", "/api/library/ask", json::Json(body), true, askTimeout_,
                                              std::move(done));
}

account::Exchange AccountLibraryService::libraryDocument(const account::LibraryBody& body, DocumentDone done) {
  return Account::call<account::LibraryDoc>("POST", "/api/library/document", json::Json(body), true,
                                           documentTimeout_, std::move(done));
}

}  // namespace orvak
