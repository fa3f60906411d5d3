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

void to_json(json::Json& j, const ResearchItem& item) {
  j = json::Json::object();
  json::put(j, "ts", item.ts);
  json::put(j, "kind", std::string(rawValue(item.kind)));
  json::put(j, "quote", item.quote);
  json::put(j, "note", item.note);
  json::put(j, "transcript", item.transcript);
  json::put(j, "app", item.app);
  json::put(j, "windowTitle", item.windowTitle);
  json::put(j, "url", item.url);
  json::put(j, "sentenceIndex", item.sentenceIndex);
  json::put(j, "engine", item.engine);
}

void from_json(const json::Json& j, ResearchItem& item) {
  item.ts = json::get<Date>(j, "ts");
  const auto kind = json::get<std::string>(j, "kind");
  const auto parsed = kindFromRaw(kind);
  if (!parsed) throw json::DecodeError("\"kind\": unknown kind " + kind);
  item.kind = *parsed;
  item.quote = json::get<std::string>(j, "quote");
  item.note = json::getOptional<std::string>(j, "note");
  item.transcript = json::get<std::string>(j, "transcript");
  item.app = json::get<std::string>(j, "app");
  item.windowTitle = json::get<std::string>(j, "windowTitle");
  item.url = json::getOptional<std::string>(j, "url");
  item.sentenceIndex = json::getOptional<std::int64_t>(j, "sentenceIndex");
  item.engine = json::get<std::string>(j, "engine");
}

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
