#include "app/account/voice_list.h"
#include "core/base/json.h"

namespace orvak {

void to_json(json::Json& j, const VoiceCatalogItem& r) {
  j = json::Json::object();
  json::put(j, "id", r.id);
  json::put(j, "name", r.name);
  json::put(j, "description", r.description);
  json::put(j, "gender", r.gender);
  json::put(j, "accent", r.accent);
  json::put(j, "languages", r.languages);
  json::put(j, "reading", r.reading);
}
void from_json(const json::Json& j, VoiceCatalogItem& r) {
  json::read(j, "id", r.id);
  json::read(j, "name", r.name);
  json::read(j, "description", r.description);
  json::read(j, "gender", r.gender);
  json::read(j, "accent", r.accent);
  json::read(j, "languages", r.languages);
  json::read(j, "reading", r.reading);
}

void to_json(json::Json& j, const VoiceCatalogList& r) {
  j = json::Json::object();
  json::put(j, "defaultVoice", r.defaultVoice);
  j["voices"] = json::Json::array();
  for (const auto& v : r.voices) j["voices"].push_back(v);
}
void from_json(const json::Json& j, VoiceCatalogList& r) {
  json::read(j, "defaultVoice", r.defaultVoice);
  json::read(j, "voices", r.voices);
}

}  // namespace orvak
