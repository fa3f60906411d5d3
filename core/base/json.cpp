#include "core/base/json.h"

namespace orvak::json {

std::string dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string dumpPretty(const Json& j) { return j.dump(2, ' ', false, Json::error_handler_t::replace); }

Json parse(std::string_view text) {
  try {
    return Json::parse(text.begin(), text.end());
  } catch (const Json::parse_error& e) {
    throw DecodeError(e.what());
  }
}

namespace detail {
void fail(std::string_view key, std::string_view what) {
  throw DecodeError("\"" + std::string(key) + "\": " + std::string(what));
}
}  // namespace detail

}  // namespace orvak::json
