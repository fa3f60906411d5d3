#include "core/page/ax_node.h"
#include "core/base/json.h"

namespace orvak {

namespace {

// A frame that is not four numbers is an unknown frame: the node stays, without geometry, as a
// node whose frame the walk could not read would.
std::optional<Frame> getFrame(const json::Json& j) {
  auto it = j.find("frame");
  if (it == j.end() || !it->is_array() || it->size() != 4) return std::nullopt;
  Frame f{};
  for (std::size_t i = 0; i < 4; ++i) {
    if (!(*it)[i].is_number()) return std::nullopt;
    f[i] = (*it)[i].get<double>();
  }
  return f;
}

}  // namespace

void to_json(json::Json& j, const AXNode& n) {
  j = json::Json::object();
  json::put(j, "id", n.id);
  json::put(j, "parent", n.parent);
  json::put(j, "depth", n.depth);
  json::put(j, "role", n.role);
  json::put(j, "subrole", n.subrole);
  json::put(j, "text", n.text);
  json::put(j, "textSource", n.textSource);
  json::put(j, "title", n.title);
  json::put(j, "desc", n.desc);
  if (n.frame) {
    // A non-finite coordinate cannot be written; 0 keeps the frame's four-number shape.
    json::Json f = json::Json::array();
    for (double v : *n.frame) f.push_back(std::isfinite(v) ? v : 0.0);
    j["frame"] = std::move(f);
  }
  json::put(j, "domClasses", n.domClasses);
  json::put(j, "domId", n.domId);
  json::put(j, "childCount", n.childCount);
  json::put(j, "secureSkipped", n.secureSkipped);
  json::put(j, "caret", n.caret);
}

void from_json(const json::Json& j, AXNode& n) {
  n.id = json::get<std::int64_t>(j, "id");
  n.parent = json::getOptional<std::int64_t>(j, "parent");
  n.depth = json::getOr<std::int64_t>(j, "depth", 0);
  n.role = json::get<std::string>(j, "role");
  n.subrole = json::getOptional<std::string>(j, "subrole");
  n.text = json::getOptional<std::string>(j, "text");
  n.textSource = json::getOptional<std::string>(j, "textSource");
  n.title = json::getOptional<std::string>(j, "title");
  n.desc = json::getOptional<std::string>(j, "desc");
  n.frame = getFrame(j);
  n.domClasses = json::getOptional<std::vector<std::string>>(j, "domClasses");
  n.domId = json::getOptional<std::string>(j, "domId");
  n.childCount = json::getOr<std::int64_t>(j, "childCount", 0);
  n.secureSkipped = json::getOr<bool>(j, "secureSkipped", false);
  n.caret = json::getOptional<std::int64_t>(j, "caret");
}

}  // namespace orvak
