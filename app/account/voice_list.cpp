#include "app/account/voice_list.h"
#include "core/base/json.h"

namespace orvak {

void fields(json::Record<VoiceCatalogItem> auto& r, auto&& f) {
  f("id", r.id);
  f("name", r.name);
  f("description", r.description);
  f("gender", r.gender);
  f("accent", r.accent);
  f("languages", r.languages);
  f("reading", r.reading);
}

void to_json(json::Json& j, const VoiceCatalogItem& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, VoiceCatalogItem& r) { json::readFields(j, r); }

void fields(json::Record<VoiceCatalogList> auto& r, auto&& f) {
  f("defaultVoice", r.defaultVoice);
  f("voices", r.voices);
}

void to_json(json::Json& j, const VoiceCatalogList& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, VoiceCatalogList& r) { json::readFields(j, r); }

}  // namespace orvak
