#include "core/library/written_doc.h"
#include "core/base/json.h"

namespace orvak {

std::string WrittenDoc::plain() const {
  std::string out;
  for (std::size_t i = 0; i < paragraphs.size(); ++i) {
    if (i) out += "\n\n";
    out += paragraphs[i].text;
  }
  if (sources.empty()) return out;
  out += "\n\nSources:\n";
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const auto& s = sources[i];
    if (i) out += "\n";
    out += "[" + std::to_string(s.n) + "] \u201c" + s.quote + "\u201d \u2014 " + s.title;
    if (s.url) out += ", " + *s.url;
  }
  return out;
}

void fields(json::Record<WrittenDoc::Para> auto& p, auto&& f) {
  f("text", p.text);
  f("cites", p.cites);
}

void fields(json::Record<WrittenDoc::Source> auto& s, auto&& f) {
  f("n", s.n);
  f("itemId", s.itemId);
  f("quote", s.quote);
  f("note", s.note);
  f("title", s.title);
  f("url", s.url);
}

void fields(json::Record<WrittenDoc> auto& d, auto&& f) {
  f("id", d.id);
  f("created", d.created);
  f("title", d.title);
  f("question", d.question);
  f("paragraphs", d.paragraphs);
  f("sources", d.sources);
}

void to_json(json::Json& j, const WrittenDoc::Para& p) { json::writeFields(j, p); }
void from_json(const json::Json& j, WrittenDoc::Para& p) { json::readFields(j, p); }
void to_json(json::Json& j, const WrittenDoc::Source& s) { json::writeFields(j, s); }
void from_json(const json::Json& j, WrittenDoc::Source& s) { json::readFields(j, s); }
void to_json(json::Json& j, const WrittenDoc& d) { json::writeFields(j, d); }
void from_json(const json::Json& j, WrittenDoc& d) { json::readFields(j, d); }

}  // namespace orvak
