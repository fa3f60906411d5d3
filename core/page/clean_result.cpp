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

// On-screen stretches as [start, end] pairs, each exactly two integers.
struct Pairs {
  void put(json::Json& j, const char* key, const std::vector<std::array<int, 2>>& pairs) const {
    json::put(j, key, pairs);
  }
  void read(const json::Json& j, const char* key, std::vector<std::array<int, 2>>& out) const {
    const auto& v = member(j, key);
    if (!v.is_array()) json::detail::fail(key, "expected an array");
    std::vector<std::array<int, 2>> pairs;
    pairs.reserve(v.size());
    for (const auto& pair : v) {
      if (!pair.is_array() || pair.size() != 2) json::detail::fail(key, "expected pairs of integers");
      pairs.push_back({json::detail::convert<int>(pair[0], key), json::detail::convert<int>(pair[1], key)});
    }
    out = std::move(pairs);
  }
};

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

void fields(json::Record<TextSpan> auto& s, auto&& f) {
  f("node", s.node);
  f("start", s.start);
  f("end", s.end);
}

void fields(json::Record<ReadStart> auto& s, auto&& f) {
  f("offset", s.offset);
  f("reason", s.reason, json::byName(reasonName, reasonFromName));
  f("visibleParagraphs", s.visibleParagraphs);
}

void fields(json::Record<CleanResult> auto& r, auto&& f) {
  f("text", r.text);
  f("chars", r.chars);
  f("region", r.region);
  f("regionNodeId", r.regionNodeId);
  f("regionStrategy", r.regionStrategy);
  f("droppedCharsByReason", r.droppedCharsByReason);
  f("droppedPiecesByReason", r.droppedPiecesByReason);
  f("keptPieces", r.keptPieces);
  f("score", r.score);
  f("start", r.start);
  f("visibleSpans", r.visibleSpans, Pairs{});
  f("spans", r.spans);
  f("headingStarts", r.headingStarts);
}

void to_json(json::Json& j, const TextSpan& s) { json::writeFields(j, s); }
void from_json(const json::Json& j, TextSpan& s) { json::readFields(j, s); }
void to_json(json::Json& j, const ReadStart& s) { json::writeFields(j, s); }
void from_json(const json::Json& j, ReadStart& s) { json::readFields(j, s); }
void to_json(json::Json& j, const CleanResult& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, CleanResult& r) { json::readFields(j, r); }

}  // namespace orvak
