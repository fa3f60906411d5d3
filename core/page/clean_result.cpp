#include "core/page/clean_result.h"
#include "core/base/json.h"

namespace orvak {

namespace {

const json::Json& member(const json::Json& j, const char* key) {
  if (!j.is_object()) json::detail::fail(key, "expected an object");
  const auto it = j.find(key);
  if (it == j.end()) json::detail::fail(key, "missing");
  return *it;
}

std::map<std::string, int> getCounter(const json::Json& j, const char* key) {
  const auto& v = member(j, key);
  if (!v.is_object()) json::detail::fail(key, "expected an object");
  std::map<std::string, int> out;
  for (const auto& [name, count] : v.items()) out[name] = json::detail::convert<int>(count, key);
  return out;
}

std::vector<std::array<int, 2>> getPairs(const json::Json& j, const char* key) {
  const auto& v = member(j, key);
  if (!v.is_array()) json::detail::fail(key, "expected an array");
  std::vector<std::array<int, 2>> out;
  out.reserve(v.size());
  for (const auto& pair : v) {
    if (!pair.is_array() || pair.size() != 2) json::detail::fail(key, "expected pairs of integers");
    out.push_back({json::detail::convert<int>(pair[0], key), json::detail::convert<int>(pair[1], key)});
  }
  return out;
}

template <class T>
std::vector<T> getRecords(const json::Json& j, const char* key) {
  const auto& v = member(j, key);
  if (!v.is_array()) json::detail::fail(key, "expected an array");
  std::vector<T> out;
  out.reserve(v.size());
  for (const auto& e : v) out.push_back(e.get<T>());
  return out;
}

}  // namespace

const char* reasonName(ReadStart::Reason reason) {
  switch (reason) {
    case ReadStart::Reason::top: return "top";
    case ReadStart::Reason::viewport: return "viewport";
    case ReadStart::Reason::cursor: return "cursor";
  }
  return "top";
}

ReadStart::Reason reasonFromName(const std::string& name) {
  if (name == "top") return ReadStart::Reason::top;
  if (name == "viewport") return ReadStart::Reason::viewport;
  if (name == "cursor") return ReadStart::Reason::cursor;
  throw json::DecodeError("\"reason\": unknown value \"" + name + "\"");
}

std::optional<bool> CleanResult::onScreen(int offset) const {
  if (visibleSpans.empty()) return std::nullopt;
  for (const auto& [start, end] : visibleSpans) {
    if (start <= offset && offset < end) return true;
  }
  return false;
}

void to_json(json::Json& j, const TextSpan& s) {
  json::put(j, "node", s.node);
  json::put(j, "start", s.start);
  json::put(j, "end", s.end);
}

void from_json(const json::Json& j, TextSpan& s) {
  s.node = json::get<int>(j, "node");
  s.start = json::get<int>(j, "start");
  s.end = json::get<int>(j, "end");
}

void to_json(json::Json& j, const ReadStart& s) {
  json::put(j, "offset", s.offset);
  json::put(j, "reason", std::string(reasonName(s.reason)));
  json::put(j, "visibleParagraphs", s.visibleParagraphs);
}

void from_json(const json::Json& j, ReadStart& s) {
  s.offset = json::get<int>(j, "offset");
  s.reason = reasonFromName(json::get<std::string>(j, "reason"));
  s.visibleParagraphs = json::getOptional<int>(j, "visibleParagraphs");
}

void to_json(json::Json& j, const CleanResult& r) {
  json::put(j, "text", r.text);
  json::put(j, "chars", r.chars);
  json::put(j, "region", r.region);
  json::put(j, "regionNodeId", r.regionNodeId);
  json::put(j, "regionStrategy", r.regionStrategy);
  json::put(j, "droppedCharsByReason", r.droppedCharsByReason);
  json::put(j, "droppedPiecesByReason", r.droppedPiecesByReason);
  json::put(j, "keptPieces", r.keptPieces);
  j["score"] = r.score;
  j["start"] = r.start;
  json::put(j, "visibleSpans", r.visibleSpans);
  j["spans"] = r.spans;
  json::put(j, "headingStarts", r.headingStarts);
}

void from_json(const json::Json& j, CleanResult& r) {
  r.text = json::get<std::string>(j, "text");
  r.chars = json::get<int>(j, "chars");
  r.region = json::get<std::string>(j, "region");
  r.regionNodeId = json::getOptional<int>(j, "regionNodeId");
  r.regionStrategy = json::get<std::string>(j, "regionStrategy");
  r.droppedCharsByReason = getCounter(j, "droppedCharsByReason");
  r.droppedPiecesByReason = getCounter(j, "droppedPiecesByReason");
  r.keptPieces = json::get<int>(j, "keptPieces");
  r.score = member(j, "score").get<ContentScore>();
  r.start = member(j, "start").get<ReadStart>();
  r.visibleSpans = getPairs(j, "visibleSpans");
  r.spans = getRecords<TextSpan>(j, "spans");
  r.headingStarts = json::get<std::vector<int>>(j, "headingStarts");
}

}  // namespace orvak
