// Written documents: kept with their paragraphs and sources as JSON text.
#include "core/base/json.h"
#include "core/library/notes_store.h"

namespace orvak {

namespace {

// A damaged or missing column reads as an empty list: the document is still listed.
template <class T>
std::vector<T> decodeList(const std::optional<std::string>& column) {
  try {
    return json::decode<std::vector<T>>(column.value_or("[]"));
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

std::optional<std::int64_t> NotesStore::saveDoc(std::string_view title, std::string_view question,
                                                const std::vector<WrittenDoc::Para>& paragraphs,
                                                const std::vector<WrittenDoc::Source>& sources, Date at) {
  std::string paragraphsJson;
  std::string sourcesJson;
  try {
    paragraphsJson = json::dump(json::Json(paragraphs));
    sourcesJson = json::dump(json::Json(sources));
  } catch (const std::exception&) {
    return std::nullopt;
  }
  try {
    return write("INSERT INTO written_docs (created, title, question, paragraphs, sources) VALUES (?,?,?,?,?)",
                 {at.sinceEpoch, title, question, paragraphsJson, sourcesJson});
  } catch (const NotesStoreError&) {
    return std::nullopt;
  }
}

std::vector<WrittenDoc> NotesStore::writtenDocs() {
  std::vector<WrittenDoc> docs;
  std::lock_guard guard(lock_);
  withStatement("SELECT id, created, title, question, paragraphs, sources FROM written_docs ORDER BY created DESC", {},
                [&](SqlStatement& st) {
                  while (st.nextRow()) {
                    WrittenDoc d;
                    d.id = st.integer(0);
                    d.created = Date{st.real(1)};
                    d.title = st.text(2);
                    d.question = st.text(3);
                    d.paragraphs = decodeList<WrittenDoc::Para>(st.optText(4));
                    d.sources = decodeList<WrittenDoc::Source>(st.optText(5));
                    docs.push_back(std::move(d));
                  }
                });
  return docs;
}

void NotesStore::deleteDoc(std::int64_t id) { tryWrite("DELETE FROM written_docs WHERE id = ?", {id}); }

}  // namespace orvak
