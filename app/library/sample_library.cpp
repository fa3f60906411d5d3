#include "app/library/sample_library.h"

#include "core/base/json.h"

namespace orvak::sample {

namespace {

using json::Json;

std::optional<std::string> optText(const Json& j, const char* key) {
  if (!j.contains(key) || j.at(key).is_null()) return std::nullopt;
  return j.at(key).get<std::string>();
}

std::string text(const Json& j, const char* key) { return j.value(key, std::string()); }

}  // namespace

void fillLibrary(NotesStore& store, std::string_view jsonText, Date now) {
  const Json root = json::parse(jsonText);
  try {
    const auto at = [&](const Json& j) { return Date{now.sinceEpoch - j.at("ago").get<double>()}; };
    for (const auto& j : root.value("items", Json::array())) {
      ResearchItem i;
      i.ts = at(j);
      i.kind = text(j, "kind") == "note" ? ResearchItem::Kind::note : ResearchItem::Kind::highlight;
      i.quote = text(j, "quote");
      i.note = optText(j, "note");
      i.transcript = i.kind == ResearchItem::Kind::note ? "save a note" : "highlight that";
      i.app = text(j, "app");
      i.windowTitle = text(j, "title");
      i.url = optText(j, "url");
      i.engine = "apple";
      store.insert(i);
    }
    for (const auto& j : root.value("listened", Json::array())) {
      store.recordListen(text(j, "app"), text(j, "title"), optText(j, "url"), j.value("seconds", 0.0),
                         j.value("progress", 0.0), text(j, "stoppedAt"), j.value("finished", false), optText(j, "text"),
                         at(j));
    }
    for (const auto& j : root.value("documents", Json::array())) {
      std::vector<WrittenDoc::Para> paragraphs;
      for (const auto& p : j.value("paragraphs", Json::array())) {
        paragraphs.push_back({text(p, "text"), p.value("cites", std::vector<std::int64_t>{})});
      }
      std::vector<WrittenDoc::Source> sources;
      for (const auto& s : j.value("sources", Json::array())) {
        sources.push_back({s.at("n").get<std::int64_t>(), std::nullopt, text(s, "quote"), optText(s, "note"),
                           text(s, "title"), optText(s, "url")});
      }
      store.saveDoc(text(j, "title"), text(j, "question"), paragraphs, sources, at(j));
    }
  } catch (const Json::exception& e) {
    throw json::DecodeError(std::string("sample library: ") + e.what());
  }
  constexpr std::int64_t kKeepDays = 90, kWarnDays = 7;
  if (const auto soon = store.expiringSoon(kKeepDays, kWarnDays, now)) store.markWarned(soon->keys, now);
}

}  // namespace orvak::sample
