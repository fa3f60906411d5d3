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

void to_json(json::Json& j, const WrittenDoc::Para& p) {
  j = json::Json::object();
  json::put(j, "text", p.text);
  json::put(j, "cites", p.cites);
}

void from_json(const json::Json& j, WrittenDoc::Para& p) {
  p.text = json::get<std::string>(j, "text");
  p.cites = json::get<std::vector<std::int64_t>>(j, "cites");
}

void to_json(json::Json& j, const WrittenDoc::Source& s) {
  j = json::Json::object();
  json::put(j, "n", s.n);
  json::put(j, "itemId", s.itemId);
  json::put(j, "quote", s.quote);
  json::put(j, "note", s.note);
  json::put(j, "title", s.title);
  json::put(j, "url", s.url);
}

void from_json(const json::Json& j, WrittenDoc::Source& s) {
  s.n = json::get<std::int64_t>(j, "n");
  s.itemId = json::getOptional<std::int64_t>(j, "itemId");
  s.quote = json::get<std::string>(j, "quote");
  s.note = json::getOptional<std::string>(j, "note");
  s.title = json::get<std::string>(j, "title");
  s.url = json::getOptional<std::string>(j, "url");
}

void to_json(json::Json& j, const WrittenDoc& d) {
  j = json::Json::object();
  json::put(j, "id", d.id);
  json::put(j, "created", d.created);
  json::put(j, "title", d.title);
  json::put(j, "question", d.question);
  json::put(j, "paragraphs", d.paragraphs);
  json::put(j, "sources", d.sources);
}

void from_json(const json::Json& j, WrittenDoc& d) {
  d.id = json::get<std::int64_t>(j, "id");
  d.created = json::get<Date>(j, "created");
  d.title = json::get<std::string>(j, "title");
  d.question = json::get<std::string>(j, "question");
  d.paragraphs = json::get<std::vector<WrittenDoc::Para>>(j, "paragraphs");
  d.sources = json::get<std::vector<WrittenDoc::Source>>(j, "sources");
}

}  // namespace orvak
