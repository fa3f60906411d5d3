#include "core/page/document_editor.h"

#include "core/text/text.h"
#include "core/text/url.h"

namespace orvak::documentEditor {

bool isDocumentAddress(std::string_view address) {
  const auto u = url::parse(address);
  if (!u || !text::equalsIgnoringCase(u->host, kHost)) return false;
  return u->path.starts_with("/document/");
}

}  // namespace orvak::documentEditor
