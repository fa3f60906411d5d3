#include "core/library/research_item.h"
#include "core/base/json.h"

namespace orvak {

std::string_view rawValue(ResearchItem::Kind kind) {
  return kind == ResearchItem::Kind::note ? "note" : "highlight";
}

std::optional<ResearchItem::Kind> kindFromRaw(std::string_view raw) {
  if (raw == "highlight") return ResearchItem::Kind::highlight;
  if (raw == "note") return ResearchItem::Kind::note;
  return std::nullopt;
}

namespace {

ResearchItem::Kind kindNamed(const std::string& raw) {
  const auto parsed = kindFromRaw(raw);
  if (!parsed) throw json::DecodeError("\"kind\": unknown kind " + raw);
  return *parsed;
}

}  // namespace

void fields(json::Record<ResearchItem> auto& item, auto&& f) {
  f("ts", item.ts);
  f("kind", item.kind, json::byName(rawValue, kindNamed));
  f("quote", item.quote);
  f("note", item.note);
  f("transcript", item.transcript);
  f("app", item.app);
  f("windowTitle", item.windowTitle);
  f("url", item.url);
  f("sentenceIndex", item.sentenceIndex);
  f("engine", item.engine);
}

void to_json(json::Json& j, const ResearchItem& item) { json::writeFields(j, item); }
void from_json(const json::Json& j, ResearchItem& item) { json::readFields(j, item); }

std::optional<ResearchItem> decodeResearchLine(std::string_view line) {
  try {
    return json::decode<ResearchItem>(line);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::vector<ResearchItem> decodeResearchLines(std::string_view bytes) {
  std::vector<ResearchItem> items;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = bytes.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    if (auto item = decodeResearchLine(line)) items.push_back(std::move(*item));
  }
  return items;
}

}  // namespace orvak
