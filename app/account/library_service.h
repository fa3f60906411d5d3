// Questions about the saved library and documents written from it: the two service calls the
// library window makes, behind an interface so its model can be tested against a scripted one.
// `Account` answers them through the service.
//
// Completions run on the main queue, once; the returned exchange cancels (the completion then
// gets the cancellation failure).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/account/service_fail.h"
#include "app/account/service_http.h"
#include "app/account/service_records.h"

namespace orvak {

class LibraryService {
 public:
  using AnswerDone = std::function<void(account::Result<account::LibraryAnswer>)>;
  using DocumentDone = std::function<void(account::Result<account::LibraryDoc>)>;

  virtual ~LibraryService() = default;
  // "/api/library/ask": the answer and the numbers of the sources it cites.
  virtual account::Exchange libraryAsk(const account::LibraryBody& body, AnswerDone done) = 0;
  // "/api/library/document": a titled document in paragraphs citing the sources.
  virtual account::Exchange libraryDocument(const account::LibraryBody& body, DocumentDone done) = 0;
};

}  // namespace orvak
