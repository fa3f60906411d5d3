// The cloud voice list as the service's "/api/voices" sends it. The voice catalogue knows these as
// `VoiceCatalog::List` and `VoiceCatalog::Item`; the account client only fetches and decodes them.
// Every member of an item is required: a voice lacking one fails the whole list.
#pragma once

#include <string>
#include <vector>

#include "core/base/json_fwd.h"

namespace orvak {

struct VoiceCatalogItem {
  std::string id;
  std::string name;
  std::string description;
  std::string gender;
  std::string accent;
  std::vector<std::string> languages;
  bool reading = false;
  bool operator==(const VoiceCatalogItem&) const = default;
};

struct VoiceCatalogList {
  std::string defaultVoice;
  std::vector<VoiceCatalogItem> voices;
  bool operator==(const VoiceCatalogList&) const = default;
};

void to_json(json::Json& j, const VoiceCatalogItem& r);
void from_json(const json::Json& j, VoiceCatalogItem& r);
void to_json(json::Json& j, const VoiceCatalogList& r);
void from_json(const json::Json& j, VoiceCatalogList& r);

}  // namespace orvak
