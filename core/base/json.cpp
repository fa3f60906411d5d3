#include "core/base/json.h"

#include <vector>

namespace orvak::json {

std::string dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string dumpPretty(const Json& j) { return j.dump(2, ' ', false, Json::error_handler_t::replace); }

namespace {

// Counts the open arrays and objects while nlohmann parses, and stops it past `limit`: everything
// that walks a document afterwards (records, scenes, dumping) may then recurse on its shape.
struct DepthGuard {
  int limit;
  bool operator()(int depth, Json::parse_event_t event, Json&) const {
    if ((event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start) &&
        depth >= limit) {
      throw DecodeError("nested deeper than " + std::to_string(limit) + " levels");
    }
    return true;
  }
};

}  // namespace

Json parse(std::string_view text) {
  try {
    return Json::parse(text.begin(), text.end(), DepthGuard{maxDepth});
  } catch (const DecodeError&) {
    throw;
  } catch (const Json::exception& e) {
    // Not only malformed text: a number beyond a double (1e400) is an out_of_range error.
    throw DecodeError(e.what());
  }
}

namespace detail {
void fail(std::string_view key, std::string_view what) {
  throw DecodeError("\"" + std::string(key) + "\": " + std::string(what));
}
}  // namespace detail

}  // namespace orvak::json
