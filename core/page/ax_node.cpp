#include "core/page/ax_node.h"
#include "core/base/json.h"

namespace orvak {

namespace {

// Four numbers. A non-finite coordinate cannot be written; 0 keeps the frame's shape. A frame that
// is not four numbers is an unknown frame: the node stays, without geometry, as a node whose
// frame the walk could not read would.
struct FrameEntry {
  void put(json::Json& j, const char* key, const std::optional<Frame>& frame) const {
    if (!frame) return;
    json::Json f = json::Json::array();
    for (double v : *frame) f.push_back(std::isfinite(v) ? v : 0.0);
    j[key] = std::move(f);
  }
  void read(const json::Json& j, const char* key, std::optional<Frame>& out) const {
    out.reset();
    auto it = j.find(key);
    if (it == j.end() || !it->is_array() || it->size() != 4) return;
    Frame f{};
    for (std::size_t i = 0; i < 4; ++i) {
      if (!(*it)[i].is_number()) return;
      f[i] = (*it)[i].get<double>();
    }
    out = f;
  }
};

}  // namespace

void fields(json::Record<AXNode> auto& n, auto&& f) {
  f("id", n.id);
  f("parent", n.parent);
  f("depth", n.depth, json::orElse(0));
  f("role", n.role);
  f("subrole", n.subrole);
  f("text", n.text);
  f("textSource", n.textSource);
  f("title", n.title);
  f("desc", n.desc);
  f("frame", n.frame, FrameEntry{});
  f("domClasses", n.domClasses);
  f("domId", n.domId);
  f("childCount", n.childCount, json::orElse(0));
  f("secureSkipped", n.secureSkipped, json::orElse(false));
  f("caret", n.caret);
}

void to_json(json::Json& j, const AXNode& n) { json::writeFields(j, n); }
void from_json(const json::Json& j, AXNode& n) { json::readFields(j, n); }

}  // namespace orvak
