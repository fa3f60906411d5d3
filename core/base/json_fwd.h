// The JSON type by name only, for headers that declare a record's to_json/from_json or pass
// documents by reference: the whole JSON library is costly to compile, and most files that see
// such a header never touch JSON. Files that build or read documents include core/base/json.h.
#pragma once

#include <nlohmann/json_fwd.hpp>

namespace orvak::json {

using Json = nlohmann::json;

}  // namespace orvak::json
