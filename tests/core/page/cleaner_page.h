// Building small node lists for the cleaner tests: each node names its parent, and the builder
// fills in ids, depths and child counts as a walk would. Also reading back a stage's paragraphs.
#pragma once

#include <string>
#include <vector>

#include "core/page/ax_node.h"
#include "core/page/cleaner_stages.h"

namespace orvak::testing {

// What a test says about a node; the rest of the record is filled in by `Page::add`.
struct N {
  std::string role = "AXGroup";
  std::optional<std::string> subrole = std::nullopt;
  std::optional<std::string> text = std::nullopt;
  std::optional<std::string> title = std::nullopt;
  std::optional<Frame> frame = std::nullopt;
  std::optional<std::vector<std::string>> classes = std::nullopt;
  std::optional<std::string> domId = std::nullopt;
  bool secure = false;
  std::optional<std::int64_t> caret = std::nullopt;
};

class Page {
 public:
  explicit Page(std::string rootRole = "AXWindow") {
    AXNode root;
    root.role = std::move(rootRole);
    nodes_.push_back(std::move(root));
  }

  // Adds `node` under `parent` and returns its id.
  int add(int parent, const N& wanted) {
    AXNode node;
    node.role = wanted.role;
    node.subrole = wanted.subrole;
    node.text = wanted.text;
    node.title = wanted.title;
    node.frame = wanted.frame;
    node.domClasses = wanted.classes;
    node.domId = wanted.domId;
    node.secureSkipped = wanted.secure;
    node.caret = wanted.caret;
    node.id = std::int64_t(nodes_.size());
    node.parent = parent;
    node.depth = nodes_[std::size_t(parent)].depth + 1;
    nodes_[std::size_t(parent)].childCount += 1;
    nodes_.push_back(std::move(node));
    return int(nodes_.size() - 1);
  }
  int text(int parent, std::string text, std::string role = "AXStaticText") {
    return add(parent, {.role = std::move(role), .text = std::move(text)});
  }

  AXNode& operator[](int id) { return nodes_[std::size_t(id)]; }
  const std::vector<AXNode>& nodes() const { return nodes_; }

 private:
  std::vector<AXNode> nodes_;
};

// `n` characters of lower-case prose in which no two calls with different seeds share a line.
inline std::string prose(int n, int seed = 0) {
  static const char* words[] = {"river", "stone", "quiet", "lantern", "orchard", "copper", "meadow", "harbor",
                                "thistle", "ember", "willow", "granite", "sparrow", "velvet", "cobalt", "juniper"};
  std::string s = "w" + std::to_string(seed);
  for (unsigned k = unsigned(seed) * 7 + 1; int(s.size()) < n; k = k * 1103515245u + 12345u) {
    s += ' ';
    s += words[(k >> 16) % 16];
  }
  s.resize(std::size_t(n));
  if (s.back() == ' ') s.back() = 'x';
  return s;
}

// The paragraphs' texts, in order.
inline std::vector<std::string> texts(const std::vector<Cleaner::detail::Para>& paras) {
  std::vector<std::string> out;
  for (const auto& p : paras) out.push_back(p.text);
  return out;
}

}  // namespace orvak::testing
